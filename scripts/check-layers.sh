#!/usr/bin/env bash
# Checks the library's structure (docs/architecture.md) and fails on any
# breach:
#  - an include that runs against the layers: a module may include its own
#    folder and the folders below it (core < platform < files < graphics,
#    audio < app; graphics and audio know nothing of each other), apart from
#    the exceptions named below; nothing in media/ includes game/ or tools/;
#  - an operating system header or call outside media/platform (the game and
#    the tools included);
#  - an SDL header outside the SDL-backed classes;
#  - a plain (throwing) new or a throw in the library.
# Usage: scripts/check-layers.sh [repository root]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

failures=0
fail() {
    echo "check-layers: $*"
    failures=$((failures + 1))
}

rank() {
    case "$1" in
        core) echo 0 ;;
        platform) echo 1 ;;
        files) echo 2 ;;
        graphics | audio) echo 3 ;;
        app) echo 4 ;;
        *) echo -1 ;;
    esac
}

# The places where a lower folder must know a higher one, as
# "including file -> included header".
allowed_upward=(
    # String arrays are resources: they load from streams like every resource.
    "media/core/KWOText.h -> files/KWOResource.h"
    "media/core/KWOText.cpp -> files/KWOFile.h"
    "media/core/KWOText.cpp -> files/KWOResFile.h"
    # The file-system helpers copy between two streams (CopyData).
    "media/platform/KWOFileUtils.cpp -> files/KWOResFile.h"
    # The resource manager's built-in loaders know every resource type; this
    # is the one file that registers them.
    "media/files/resource_loaders.cpp -> audio/KWOMusic.h"
    "media/files/resource_loaders.cpp -> audio/KWOSound.h"
    "media/files/resource_loaders.cpp -> graphics/KWOFont.h"
    "media/files/resource_loaders.cpp -> graphics/KWOImage.h"
    "media/files/resource_loaders.cpp -> graphics/KWOPal.h"
)

is_allowed() {
    local pair="$1" entry
    for entry in "${allowed_upward[@]}"; do
        [ "$entry" = "$pair" ] && return 0
    done
    return 1
}

# ---- includes against the layers ----------------------------------------------
while IFS= read -r file; do
    module="${file#media/}"
    module="${module%%/*}"
    own=$(rank "$module")
    while IFS= read -r header; do
        # Public headers include each other by paths relative to themselves
        # ("../core/KWOString.h", "KWOResFile.h"): read them from media/.
        case "$header" in
            ../*) header="${header#../}" ;;
            */*) ;;
            *) [ -f "media/$module/$header" ] && header="$module/$header" ;;
        esac
        target="${header%%/*}"
        if [ "$header" = "$target" ]; then
            continue # a top-level header (KWOExport.h, KWOMedia.h)
        fi
        case "$target" in
            game | tools)
                fail "$file includes $header: the library never knows the program or the tools"
                continue
                ;;
        esac
        theirs=$(rank "$target")
        if [ "$theirs" -lt 0 ]; then
            fail "$file includes $header: not a folder of the library"
        elif [ "$target" != "$module" ] && [ "$theirs" -ge "$own" ] &&
            ! is_allowed "$file -> $header"; then
            fail "$file includes $header: $module may not build on $target"
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find media -mindepth 2 \( -name '*.h' -o -name '*.cpp' \) | sort)

# ---- the operating system only in media/platform ---------------------------------
os_headers='unistd\.h|dirent\.h|fcntl\.h|fnmatch\.h|sys/[a-z_/]+\.h|pwd\.h|grp\.h|dlfcn\.h|poll\.h|termios\.h|pthread\.h|sched\.h|spawn\.h|syslog\.h|signal\.h|csignal|linux/[a-z_/]+\.h|windows\.h|io\.h|direct\.h'
# System calls: the names a C++ program never spells otherwise, and the
# common ones when called on the global namespace (::open, ::stat, ...).
os_calls='(^|[^[:alnum:]_.>:])(opendir|readdir|closedir|unlink|unlinkat|fsync|flock|readlink|mkostemp|mkstemp|getcwd|chdir|fchdir|lstat|fstatat|faccessat|renameat2?|linkat|symlink|fchmod|fchown|nanosleep|usleep|clock_gettime|umask|fork|execv|execvp|popen|dlopen|getpid)[[:space:]]*\(|(^|[^[:alnum:]_])::(open|openat|close|read|write|pread|pwrite|stat|fstat|access|truncate|link|rename|mkdir|rmdir|kill|sleep|system)[[:space:]]*\('
# Every source line as "file:line:code", comments after // dropped, and the
# JavaScript of EM_JS blocks (from "EM_JS(" to a line "});") left out.
code_lines() {
    find "$@" \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z |
        xargs -0 awk 'FNR == 1 { js = 0 }
            /^EM_JS\(/ { js = 1 }
            js { if ($0 ~ /^}\);/) js = 0; next }
            { sub(/\/\/.*/, ""); print FILENAME ":" FNR ":" $0 }'
}
for dir in media game tools; do
    [ -d "$dir" ] || continue
    while IFS= read -r hit; do
        fail "$hit: operating system header outside media/platform"
    done < <(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*<($os_headers)>" "$dir" \
        --include='*.h' --include='*.cpp' | grep -v '^media/platform/' || true)
    while IFS= read -r hit; do
        fail "$hit: operating system call outside media/platform"
    done < <(code_lines "$dir" | grep -v '^media/platform/' | grep -E "^[^:]+:[0-9]+:.*($os_calls)" || true)
done

# ---- SDL only in the SDL-backed classes ------------------------------------------
sdl_files='^media/(platform/(KWO(SDLMgr|Input|Timer|Event)|sdl_web)|graphics/KWO(Screen|VideoMode)|audio/KWOMixer)\.(h|cpp):'
while IFS= read -r hit; do
    fail "$hit: SDL outside the SDL-backed classes"
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<SDL' media \
    --include='*.h' --include='*.cpp' | grep -vE "$sdl_files" || true)

# ---- allocation: failures are results ---------------------------------------------
while IFS= read -r hit; do
    fail "$hit: a throwing new (write new (std::nothrow) and check for null)"
done < <(code_lines media | grep -E '^[^:]+:[0-9]+:.*(^|[^[:alnum:]_])new[[:space:]]+[[:alpha:]_:]' || true)
while IFS= read -r hit; do
    fail "$hit: the library never throws"
done < <(code_lines media |
    grep -E '^[^:]+:[0-9]+:.*(^|[^[:alnum:]_])(throw|std::make_unique|std::make_shared)([^[:alnum:]_]|$)' || true)

if [ "$failures" -ne 0 ]; then
    echo "check-layers: $failures problem(s); see docs/architecture.md"
    exit 1
fi
echo "check-layers: the includes follow the layers; no system call outside media/platform"
