#!/usr/bin/env bash
# Fails when a translation in language/ is missing or unfinished for a text of the programs, or
# still holds a text that the programs no longer have. It reads the tree as lupdate does into a
# scratch copy of each .ts, so the files in the tree stay as they are.
#   tools/check-translations.sh SCRATCH_DIR [LUPDATE]
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
scratch=${1:?usage: check-translations.sh SCRATCH_DIR [LUPDATE]}
lupdate=${2:-/usr/lib/qt6/bin/lupdate}
# The folders whose texts a user reads; the tests and the simulator are not translated.
sources=(app atlink catalogue common engine flash language procedures records serial)

mkdir -p "$scratch"
status=0
for ts in "$top"/language/*.ts; do
    copy="$scratch/$(basename "$ts")"
    cp "$ts" "$copy"
    (cd "$top" && "$lupdate" -silent -locations none -source-language ru_RU "${sources[@]}" -ts "$copy")
    # lupdate marks a new text "unfinished" and a text the code no longer has "vanished".
    for mark in unfinished vanished obsolete; do
        count=$(grep -c "type=\"$mark\"" "$copy" || true)
        if ((count > 0)); then
            echo "$(basename "$ts"): $count $mark:" >&2
            grep -B2 "type=\"$mark\"" "$copy" | sed -n 's/.*<source>\(.*\)<\/source>.*/  \1/p' >&2
            status=1
        fi
    done
    if ! cmp -s "$ts" "$copy"; then
        echo "$(basename "$ts"): not as lupdate writes it; run lupdate (see docs/DEVELOPING.md)" >&2
        diff "$ts" "$copy" | head -20 >&2
        status=1
    fi
done
((status == 0)) && echo "translations: complete"
exit $status
