#!/usr/bin/env bash
# SorvaneCmd language make under Wine, in a copy of the program's folder, under US English,
# German (d.M.yyyy) and Japanese (code page 932). The file is written in the system's code
# page, and the English it holds is the same bytes in every one of them: the three files
# must be equal, plain ASCII with CRLF line ends, and hold every window's items as the
# saved copy has them (the product's name in place of the one the copy was made with).
#   language_make_e2e.sh SORVANECMD SAVED_COPY PRODUCT
set -uo pipefail
cmd=$1 saved=$2 product=$3
wine_run="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/cmake/wine-run.sh"
scratch=$(mktemp -d /tmp/sorvane-language-make.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

for locale in C.UTF-8 de_DE.UTF-8 ja_JP.UTF-8; do
    folder="$scratch/$locale"
    mkdir "$folder"
    cp "$cmd" "$folder/"
    # Another locale gets a prefix of its own: Wine rewrites a prefix's regional settings
    # for the locale it starts under.
    own_prefix=()
    [[ $locale == C.UTF-8 ]] || own_prefix=(SORVANE_TEST_LOCALE="$locale" WINEPREFIX=)
    output=$(env "${own_prefix[@]}" bash "$wine_run" "$folder/$(basename "$cmd")" language make 2>&1)
    status=$?
    [[ $status -eq 0 ]] || fail "language make under $locale ended with $status: $output"
    grep -q 'Localization\.txt' <<<"$output" || fail "language make under $locale did not name the file: $output"
    [[ -s "$folder/Localization.txt" ]] || fail "no Localization.txt under $locale"
    echo "$locale: $(wc -c <"$folder/Localization.txt") bytes"
done

english="$scratch/C.UTF-8/Localization.txt"
for locale in de_DE.UTF-8 ja_JP.UTF-8; do
    cmp -s "$english" "$scratch/$locale/Localization.txt" || fail "the file written under $locale differs from the English one"
done
LC_ALL=C grep -q $'[\x80-\xff]' "$english" && fail "the file holds bytes beyond ASCII"
[[ $(grep -c $'\r$' "$english") -eq $(wc -l <"$english") ]] || fail "not every line ends with CRLF"

# The window items, without the catalogue's messages, as the saved copy holds them.
grep -v '<MSG_' "$english" >"$scratch/items.txt"
sed "s/Sorvane/$product/g" "$saved" | grep -v '<MSG_' >"$scratch/saved.txt"
diff "$scratch/saved.txt" "$scratch/items.txt" >"$scratch/items.diff" || {
    head -n 20 "$scratch/items.diff"
    fail "the window items differ from the saved copy"
}
echo "the same file under all three locales, and every window's items as saved"
