#!/usr/bin/env bash
# The GUI program's languages under Wine on the X display, in one throwaway prefix:
# the language window at the first start retranslates itself at once when a language is
# chosen, downloads a newer Localization.xml from the reference server (when it is built)
# and hands the choice to the main window; then the main window starts once in each
# language, and the download is tried again under the Japanese code page. Screenshots of
# every language, skinned, are kept as artifacts.
#   gui_languages.sh PROGRAM PROBE PROGRAM_DIR ARTIFACTS PRODUCT COMPANY [SERVER]
set -uo pipefail
program=$1 probe=$2 program_dir=$3 artifacts=$4 product=$5 company=$6 server=${7:-}
here=$(dirname "${BASH_SOURCE[0]}")

if [[ -z "${DISPLAY:-}" ]]; then
    echo "SKIPPED: DISPLAY is not set; run the tests through scripts/test.sh, which provides a virtual display"
    exit 77
fi

# shellcheck source=tests/e2e/gui_prefix.sh
source "$here/gui_prefix.sh"
start_gui_prefix languages
seed_settings "$product" "$company" || { echo "FAIL: could not set up the settings"; exit 1; }
settings_key="HKCU\\Software\\VB and VBA Program Settings\\$product\\Settings"
# No language chosen yet: the language window comes first.
wine reg delete "$settings_key" /v Language /f >/dev/null 2>&1

mkdir "$scratch/app"
cp "$program" "$program_dir"/Localization.xml "$program_dir"/*.dat "$scratch/app/"
mkdir -p "$artifacts"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Screenshots are taken until the screen shows more than a blank window, or a deadline passes.
shot() {
    local file=$1 deadline=$((SECONDS + 20))
    while :; do
        import -window root "$file" 2>/dev/null || { fail "no screenshot $file"; return; }
        [[ $(identify -format '%k' "$file" 2>/dev/null || echo 0) -gt 40 ]] && break
        [[ $SECONDS -ge $deadline ]] && { fail "the screenshot $file shows no painted window"; return; }
    done
    echo "screenshot $file: $(identify -format '%wx%h, %k colours' "$file")"
}

start_program() {
    (cd "$scratch/app" && exec wine "./$(basename "$program")") >>"$scratch/app.log" 2>&1 &
    app_pid=$!
}

stop_program() {
    wine "$probe" close "$1" 30000 || fail "the main window \"$1\" did not close"
    if timeout 30 tail --pid="$app_pid" -f /dev/null; then
        wait "$app_pid"
    else
        fail "the program did not end"
    fi
    app_pid=""
}

# The reference server offers a file with one language more than the shipped one.
served=""
if [[ -n "$server" && -x "$server" ]]; then
    mkdir -p "$scratch/releases" "$scratch/languages/30"
    served="$scratch/languages/30/Localization.xml"
    {
        printf 'stray\r\n'
        sed '$d' "$program_dir/Localization.xml"
        cat <<'XML'
<LANGUAGE_GROUP xml:lang="it">
	<LANGUAGE_NAME>Italian</LANGUAGE_NAME>
	<TRANSLATION_ITEMS>
		<FRMMAIN_CMDSTATUS>Stato</FRMMAIN_CMDSTATUS>
		<FRMMAIN_CMDSCAN>Analizza ora</FRMMAIN_CMDSCAN>
		<FRMMAIN_CMDSETTINGS>Impostazioni</FRMMAIN_CMDSETTINGS>
		<FRMMAIN_CMDUPDATE>Aggiornamento</FRMMAIN_CMDUPDATE>
		<MSG_CAPTION>[ProgramName] di [CompanyName]</MSG_CAPTION>
	</TRANSLATION_ITEMS>
</LANGUAGE_GROUP>
</XML_DIZ_INFO>
XML
    } | sed 's/\r*$/\r/' >"$served"
    "$server" serve --releases "$scratch/releases" --languages "$scratch/languages" --port-file "$scratch/port" \
        --log "$scratch/server.log" --signing-key "$(dirname "${BASH_SOURCE[0]}")/../../cmake/dev-signing-key.pem" \
        >"$scratch/server.out" 2>&1 &
    server_pid=$!
    trap 'kill $server_pid 2>/dev/null; gui_prefix_cleanup' EXIT
    for _ in $(seq 100); do [[ -s "$scratch/port" ]] && break; timeout 0.1 tail -f /dev/null; done
    export SORVANE_SERVER_URL="http://127.0.0.1:$(tr -d '\r\n' <"$scratch/port")"
else
    echo "note: no reference server built; the download is not tried"
fi

# First start: the language window, modal, in English.
start_program
wine "$probe" wait "Language Selection" 60000 "Check for language updates" "Translate this program" "OK" ||
    fail "no language window at the first start"
shot "$artifacts/language-window-English.png"
wine "$probe" choose "Language Selection" 20000 1 || fail "German could not be chosen"
# The window retranslates itself at once.
wine "$probe" wait "Language Selection" 20000 "Nach neuen Sprachdateien suchen" "Dieses Programm übersetzen" ||
    fail "the language window did not switch to German"
shot "$artifacts/language-window-German.png"

if [[ -n "$served" ]]; then
    wine "$probe" click "Language Selection" 20000 "Nach neuen Sprachdateien suchen" || fail "no download button"
    wine "$probe" wait "$product" 30000 "Die neueste Sprachdatei wurde heruntergeladen." ||
        fail "no notice of the download"
    wine "$probe" click "$product" 10000 "OK" || fail "the notice could not be closed"
    # Stored from the first "<" on, with a line end after it.
    if ! cmp -s <(tail -c +8 "$served"; printf '\r\n') "$scratch/app/Localization.xml"; then
        fail "the downloaded file differs from what the server sent"
    fi
    [[ -e "$scratch/app/Localization.xml.new" ]] && fail "the download left its temporary file behind"
fi
wine "$probe" click "Language Selection" 20000 "OK" || fail "the language window could not be closed"
# Texts the window composes at run time follow the language too (the Status page's frame).
wine "$probe" wait "$product von $company" 60000 "Jetzt prüfen" "Ergebnisse/Entfernen" "Einstellungen" "Live-Update" \
    "$product – Status" ||
    fail "the main window did not come up in German"
shot "$artifacts/main-window-German.png"
stop_program "$product von $company"

# A language of one's own, added to the file by hand: no code knows it.
own_language() {
    local file=$scratch/app/Localization.xml
    sed -i '$d' "$file"
    sed 's/\r*$/\r/' >>"$file" <<'XML'
<LANGUAGE_GROUP xml:lang="nl">
	<LANGUAGE_NAME>Nederlands</LANGUAGE_NAME>
	<TRANSLATION_ITEMS>
		<FRMMAIN_CMDSTATUS>Overzicht</FRMMAIN_CMDSTATUS>
		<FRMMAIN_CMDSCAN>Nu scannen</FRMMAIN_CMDSCAN>
		<FRMMAIN_CMDSETTINGS>Instellingen</FRMMAIN_CMDSETTINGS>
		<MSG_CAPTION>[ProgramName] van [CompanyName]</MSG_CAPTION>
		<MSG_STATUS_CAPTION>Status van [ProgramName]</MSG_STATUS_CAPTION>
	</TRANSLATION_ITEMS>
</LANGUAGE_GROUP>
</XML_DIZ_INFO>
XML
}
own_language

# Later starts in each language: the stored choice is applied at load. "Spanish" is stored
# under the name the file gave it before each language was listed by its own name.
declare -A captions=(
    [Français]="$product par $company|État|Analyser|Paramètres|État de $product"
    [Spanish]="$product de $company|Estado|Analizar ahora|Configuración|Estado de $product"
    [English]="$product by $company|Status|Scan Now|Settings|$product Status"
    [Nederlands]="$product van $company|Overzicht|Nu scannen|Instellingen|Status van $product"
)
[[ -n "$served" ]] && captions[Italian]="$product di $company|Stato|Analizza ora|Impostazioni|$product Status"
for language in "${!captions[@]}"; do
    IFS='|' read -r caption buttons_a buttons_b buttons_c status <<<"${captions[$language]}"
    wine reg add "$settings_key" /v Language /d "$language" /f >/dev/null 2>&1
    start_program
    if wine "$probe" wait "$caption" 60000 "$buttons_a" "$buttons_b" "$buttons_c" "$status"; then
        shot "$artifacts/main-window-$language.png"
    else
        fail "the main window did not come up in $language"
    fi
    stop_program "$caption"
done

# The download once more under a code page without characters for most UTF-8 sequences (the
# Japanese one, from a locale made here): the file still lands byte for byte, since it goes
# to the disk as it came and never through the code page.
if [[ -n "$served" ]]; then
    if mkdir -p "$scratch/locales" && localedef -i ja_JP -f UTF-8 "$scratch/locales/ja_JP.UTF-8" >/dev/null 2>&1; then
        {
            sed '$d' "$program_dir/Localization.xml"
            cat <<'XML'
<LANGUAGE_GROUP xml:lang="ja">
	<LANGUAGE_NAME>日本語</LANGUAGE_NAME>
	<TRANSLATION_ITEMS>
		<FRMMAIN_CMDSTATUS>状態</FRMMAIN_CMDSTATUS>
		<MSG_CAPTION>[ProgramName] – Übersicht für 5 € (日本語)</MSG_CAPTION>
	</TRANSLATION_ITEMS>
</LANGUAGE_GROUP>
</XML_DIZ_INFO>
XML
        } | sed 's/\r*$/\r/' >"$served"
        wine reg delete "$settings_key" /v Language /f >/dev/null 2>&1
        LOCPATH="$scratch/locales" LC_ALL=ja_JP.UTF-8 start_program
        wine "$probe" wait "Language Selection" 60000 "Check for language updates" ||
            fail "no language window under the Japanese code page"
        wine "$probe" click "Language Selection" 20000 "Check for language updates" || fail "no download button"
        wine "$probe" wait "$product" 30000 "The newest language file has been downloaded." ||
            fail "no notice of the download under the Japanese code page"
        wine "$probe" click "$product" 10000 "OK" || fail "the notice could not be closed"
        if ! cmp -s <(cat "$served"; printf '\r\n') "$scratch/app/Localization.xml"; then
            fail "under the Japanese code page the downloaded file differs from what the server sent"
        fi
        wine "$probe" choose "Language Selection" 20000 0 || fail "English could not be chosen"
        wine "$probe" click "Language Selection" 20000 "OK" || fail "the language window could not be closed"
        wine "$probe" wait "$product by $company" 60000 "Status" || fail "the main window did not come up"
        stop_program "$product by $company"
    else
        echo "note: no Japanese locale could be made here; the download under its code page is not tried"
    fi
fi

echo "$failures failure(s)"
[[ $failures -eq 0 ]]
