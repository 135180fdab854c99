#!/bin/sh
# Checks the include rules that keep the host and the module apart:
#  - the host, the command and the whole-filter benchmark include only the contract
#    (pluginapi/) and host code, never the module's sources;
#  - inside the module, includes run one way: shell/resources -> dialog -> render -> image
#    -> core;
#  - pluginapi/ holds declarations only.
# Prints each violation and exits 1 if there is any.
set -eu
cd "$(dirname "$0")/.."

status=0
complain() {
    echo "check-includes: $1" >&2
    status=1
}

# Quoted includes of a file, one "line:path" per include.
includes() {
    grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$1" |
        sed 's/^\([0-9]*\):.*"\([^"]*\)".*/\1:\2/'
}

module_dirs='plugin core shell render image dialog resources'

for file in $(find host app -name '*.h' -o -name '*.cpp' | sort) bench/render_bench.cpp; do
    [ -f "$file" ] || continue
    for entry in $(includes "$file"); do
        path=${entry#*:}
        top=${path%%/*}
        for dir in $module_dirs; do
            [ "$top" = "$dir" ] && [ "$path" != "$top" ] &&
                complain "$file:${entry%%:*} includes module source $path"
        done
    done
done

# Layer of a module folder; a file may include its own layer and those below it.
layer() {
    case "$1" in
        core) echo 0 ;;
        image) echo 1 ;;
        render) echo 2 ;;
        dialog) echo 3 ;;
        shell | resources) echo 4 ;;
        *) echo -1 ;;
    esac
}

for file in $(find plugin -name '*.h' -o -name '*.cpp' | sort); do
    rest=${file#plugin/}
    own=$(layer "${rest%%/*}")
    [ "$own" -ge 0 ] || continue
    for entry in $(includes "$file"); do
        path=${entry#*:}
        case "$path" in */*) ;; *) continue ;; esac
        target=$(layer "${path%%/*}")
        [ "$target" -ge 0 ] || continue
        [ "$target" -le "$own" ] ||
            complain "$file:${entry%%:*} includes $path from a higher layer"
    done
done

for file in $(find pluginapi -type f | sort); do
    case "$file" in
        *.h) grep -qE '^[^/*]*\binline\b' "$file" && complain "$file defines code" ;;
        *) complain "$file: pluginapi/ holds headers only" ;;
    esac
done

exit $status
