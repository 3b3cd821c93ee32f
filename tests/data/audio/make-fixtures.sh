#!/usr/bin/env bash
# Makes the sound fixtures of the audio tests with sox (apt-get install sox).
# The fixtures are committed; run this only to make them again.
#
# One source signal (two sine tones, 8000 Hz, stereo, 16 bits, no dither) is
# written in every format the loaders read. For the ADPCM files, sox's own
# decoding is kept beside them as raw signed 16-bit little-endian samples.
set -euo pipefail
cd "$(dirname "$0")"

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# The source: 0.3 s, 2400 frames.
sox -D -n -r 8000 -c 2 -b 16 -e signed-integer "$tmp/source.wav" \
    synth 0.3 sine 440 sine 660 gain -8
# Its 8-bit mono version: left and right averaged.
sox -D "$tmp/source.wav" -c 1 -b 8 -e unsigned-integer "$tmp/mono8.wav" remix 1,2v0.5

# PCM in the three containers.
cp "$tmp/source.wav" pcm16-stereo.wav
cp "$tmp/mono8.wav" pcm8-mono.wav
sox -D "$tmp/source.wav" -b 16 -e signed-integer pcm16-stereo.aiff
sox -D "$tmp/mono8.wav" -b 8 -e signed-integer pcm8-mono.aiff
sox -D "$tmp/source.wav" -b 16 -e signed-integer pcm16-stereo.au
sox -D "$tmp/mono8.wav" -b 8 -e signed-integer pcm8-mono.au

# The samples themselves.
sox -D "$tmp/source.wav" -t raw -b 16 -e signed-integer -L pcm16-stereo.raw
sox -D "$tmp/mono8.wav" -t raw -b 8 -e unsigned-integer pcm8-mono.raw

# ADPCM, mono and stereo, with sox's decoding.
for codec in ms ima; do
    sox -D "$tmp/source.wav" -c 1 -e $codec-adpcm $codec-adpcm-mono.wav remix 1,2v0.5
    sox -D "$tmp/source.wav" -e $codec-adpcm $codec-adpcm-stereo.wav
    for layout in mono stereo; do
        sox -D $codec-adpcm-$layout.wav -t raw -b 16 -e signed-integer -L $codec-adpcm-$layout.raw
    done
done
