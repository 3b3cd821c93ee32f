// jukebox: plays sounds and a music stream through the software mixer, and
// draws one row per mixer channel: what it plays, its volume (yellow), its
// pan (red mark), and the loudness under its play position (green; the
// music's row shows how far it has played).
//
//   jukebox DATA [-m MUSIC] SOUND...
//
// DATA is a folder or an archive (the game's duomatch.dat); MUSIC and the
// SOUNDs are names in it (WAV, AIFF or AU). Keys 1 to 9 play a sound on a
// free channel, M starts and stops the music, + and - change the volume and
// the left and right arrows the pan of what plays and what starts next,
// Escape quits.
#include <KWOMedia/audio/KWOMixer.h>
#include <KWOMedia/audio/KWOMusic.h>
#include <KWOMedia/audio/KWOSound.h>
#include <KWOMedia/files/KWOResFinder.h>
#include <KWOMedia/files/KWOResMgr.h>
#include <KWOMedia/graphics/KWOImage.h>
#include <KWOMedia/graphics/KWOPal.h>
#include <KWOMedia/graphics/KWOScreen.h>
#include <KWOMedia/platform/KWOInput.h>
#include <KWOMedia/platform/KWOTimer.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "../common/script.h"

namespace
{
const unsigned kChannels = 8;
// Palette entries of the drawing.
const unsigned Black = 0, Grey = 1, Yellow = 2, Green = 3, Red = 4, White = 5;

// The loudest sample of the next 1/25 s of `sound` from frame `frame` on,
// 0 to 32767. SetMixerFormat has made the sound the mixer's: signed 16-bit
// stereo, low byte first.
int Loudness(const KWOSound* sound, unsigned frame)
{
    const unsigned char* bytes = sound->m_data;
    const unsigned count = sound->m_size / 2, from = frame * 2;
    int peak = 0;
    for (unsigned i = from; i < count && i < from + 2 * sound->m_frequency / 25; ++i)
        peak = std::max(peak, std::abs(int(int16_t(bytes[2 * i] | bytes[2 * i + 1] << 8))));
    return std::min(peak, 32767);
}
} // namespace

int main(int argc, char** argv)
{
    ScriptedInput script(argc, argv); // for the smoke test; see common/script.h
    KWOResFinder finder;
    if (argc < 3 || !finder.AddSource(argv[1], false))
    {
        std::fprintf(stderr, "Usage: jukebox FOLDER|ARCHIVE [-m MUSIC] SOUND...\n");
        return 2;
    }
    // The screen first: it starts SDL, which the mixer then joins.
    KWOScreen* screen = KWOScreen::Singleton();
    if (!screen->Init(640, 480, KWOScreen::HWPALETTE, 8))
        return 1;
    screen->SetNames("KWOMedia jukebox", nullptr);
    const unsigned char rgb[] = {0,  0,   0,  60,  60, 70, 240, 200, 0,
                                 40, 200, 60, 230, 40, 40, 255, 255, 255};
    KWOPal palette(256);
    palette.SetFromRGB(rgb, 6, 0);
    screen->ReplacePalette(&palette);

    // The mixer plays 16-bit stereo at 22050 Hz on 8 channels. It never
    // converts: every sound is brought to its format once, after loading.
    KWOMixer* mixer = KWOMixer::Singleton();
    if (!mixer->Init(KWOMixer::FormatS16LSB, 22050, 512, true, kChannels))
        return 1;
    mixer->Unpause(); // the device opens paused

    // The resource manager loads through the finder and owns what it loads;
    // each Load with keep = true is given back with Release.
    KWOResMgr resources(finder);
    auto* font = static_cast<KWOFont*>(resources.Load(KWOResMgr::TypeFont, "score.font", 0, true));
    KWOMusic* music = nullptr;
    std::vector<KWOSound*> sounds;
    for (int i = 2; i < argc; ++i)
    {
        const bool isMusic = std::strcmp(argv[i], "-m") == 0 && i + 1 < argc;
        const char* name = isMusic ? argv[++i] : argv[i];
        KWOResource* loaded =
            resources.Load(isMusic ? KWOResMgr::TypeMusic : KWOResMgr::TypeSound, name, 0, true);
        std::printf("%s: %s\n", name, !loaded ? "not loaded" : isMusic ? "music" : "sound");
        if (loaded == nullptr)
            continue;
        if (isMusic)
            (music = static_cast<KWOMusic*>(loaded))->SetMixerFormat(); // chunk by chunk
        else
            (sounds.emplace_back(static_cast<KWOSound*>(loaded)))->SetMixerFormat();
    }

    const KWOResource* playing[kChannels] = {};
    int volume = 96, pan = 0;
    unsigned musicChannel = KWOMixer::AnyChannel;
    KWOImage canvas(640, 480, 8);
    KWOInput* input = KWOInput::Singleton();
    for (bool running = true; running;)
    {
        const unsigned frameStart = KWOTimer::Ticks();
        script.Step();
        // Every event queued since the last frame. A key press has a symbol
        // (Key: the arrows, Escape) and the character it types (Unicode).
        KWOEvent ev;
        while (input->PollEvent(&ev))
        {
            const bool press = ev.Type() == KWOEvent::TypeKeyDown;
            const unsigned key = press ? ev.Key() : 0, c = press ? ev.Unicode() : 0;
            if (ev.Type() == KWOEvent::TypeQuit || key == KWOEvent::KeyEscape)
                running = false;
            else if (c >= '1' && c <= '9' && c - '1' < sounds.size())
            {
                // A free channel, or AnyChannel when none is left (logged).
                const unsigned ch =
                    mixer->PlaySound(sounds[c - '1'], KWOMixer::AnyChannel, volume, 1, pan);
                if (ch != KWOMixer::AnyChannel)
                    playing[ch] = sounds[c - '1'];
            }
            else if ((c == 'm' || c == 'M') && music != nullptr)
            {
                if (musicChannel != KWOMixer::AnyChannel)
                {
                    mixer->ChStop(musicChannel);
                    musicChannel = KWOMixer::AnyChannel;
                }
                else if ((musicChannel = mixer->PlayMusic(music, KWOMixer::AnyChannel, volume,
                                                          KWOMixer::LoopForever, pan)) < kChannels)
                    playing[musicChannel] = music;
            }
            else if (c == '+' || c == '-' || key == KWOEvent::KeyLeft || key == KWOEvent::KeyRight)
            {
                volume = std::clamp(volume + (c == '+') * 16 - (c == '-') * 16, 0, 128);
                pan += key == KWOEvent::KeyRight ? 20 : key == KWOEvent::KeyLeft ? -20 : 0;
                pan = std::clamp(pan, -100, 100);
                for (unsigned ch = 0; ch < kChannels; ++ch)
                {
                    mixer->ChVolume(ch, static_cast<unsigned char>(volume)); // free: nothing
                    mixer->ChPan(ch, pan);
                }
                std::printf("volume %d, pan %d\n", volume, pan);
            }
        }

        // One row per channel, drawn on an image that is then copied whole.
        canvas.Rectangle(0, 0, 640, 480, Black);
        for (unsigned ch = 0; ch < kChannels; ++ch)
        {
            int vol = 0, chPan = 0;
            const int y = 40 + int(ch) * 52;
            if (mixer->ChState(ch, &vol, nullptr, &chPan) == KWOMixer::ChannelFree)
                playing[ch] = nullptr;
            if (playing[ch] == nullptr)
            {
                canvas.Rectangle(200, y, 400, 30, Grey);
                continue;
            }
            const unsigned pos = mixer->ChGetPos(ch);
            int level = 0;
            if (playing[ch] == music) // how far it has played: frames of the data as read
                level = int(400.0 * pos * music->m_channels * ((music->m_format & 0xFF) / 8) /
                            std::max(1u, music->m_dataSize));
            else
                level = Loudness(static_cast<const KWOSound*>(playing[ch]), pos) * 400 / 32768;
            canvas.Rectangle(200, y, unsigned(vol) * 3, 8, Yellow);
            canvas.Rectangle(200, y + 12, unsigned(std::clamp(level, 0, 400)), 18, Green);
            canvas.VLine(400 + chPan * 2, y, 30, Red);
            // "music", or "sound N" for the sound of key N.
            const int n = std::find(sounds.begin(), sounds.end(), playing[ch]) - sounds.begin();
            char label[24] = "music";
            if (playing[ch] != music)
                std::snprintf(label, sizeof label, "sound %d", n + 1);
            if (font != nullptr)
                canvas.DrawText(20, y + 4, label, White, font, KWOFont::AlignTop);
        }
        screen->CopyImage(0, 0, &canvas, 0, 0, 640, 480);
        screen->Refresh(0, 0, 640, 480);
        // 25 frames a second: sleep for what is left of the frame's 40 ms.
        KWOTimer::Delay(40 - std::min(40u, KWOTimer::Ticks() - frameStart));
    }

    mixer->Exit(); // nothing plays from here on
    for (KWOSound* sound : sounds)
        resources.Release(sound);
    resources.Release(music); // false, and nothing done, for a null pointer
    resources.Release(font);
    delete mixer;
    delete input;
    delete screen;
    return 0;
}
