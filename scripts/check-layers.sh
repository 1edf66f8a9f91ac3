#!/usr/bin/env bash
# Fails when a source file includes from a layer above its own, or from a peer layer. Layers,
# lowest first; each may include only from itself and from the layers before it:
#   platform <- libjpeg <- imagefile, filespec <- codec <- filedlg <- app, cli
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A rank=([platform]=0 [libjpeg]=1 [imagefile]=2 [filespec]=2 [codec]=3 [filedlg]=4
                 [app]=5 [cli]=5)

status=0
for layer in "${!rank[@]}"; do
    [ -d "$layer" ] || continue
    while IFS=: read -r file line include; do
        target=${include#*\"}
        target=${target%%/*}
        [ -n "${rank[$target]+x}" ] || continue
        if [ "$target" != "$layer" ] && [ "${rank[$target]}" -ge "${rank[$layer]}" ]; then
            echo "$file:$line: $layer includes from $target, which is not below it"
            status=1
        fi
    done < <(grep -rn -E '^#include "[a-z_]+/' "$layer" || true)
done
[ $status = 0 ] && echo "layers: every include points down"
exit $status
