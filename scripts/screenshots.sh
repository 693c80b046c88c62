#!/usr/bin/env bash
# Takes one picture of each of the six form pages of the real program, run on
# a virtual X server, into docs/screenshots/<page>.png; then loads an example
# invoice and takes one of "Rechnung anzeigen" (ansicht.png), and turns the
# first page of the same invoice's PDF into pdf-seite1.png. The archive window
# (archiv.png) is taken by its window test, offscreen, over 150 made-up entries.
#
#   scripts/screenshots.sh [path/to/tallomir]
#
# Needs xvfb-run (xvfb), xdotool, import (imagemagick) and pdftoppm
# (poppler-utils); tallomir-cli is taken from beside the program's build.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
pages=(belegkopf lieferant kunde lieferung positionen belegfuss)

# An invoice as a small business types it, for the view and the PDF.
example_json() {
    cat <<'JSON'
{
  "documentNumber": "RE-2026-0142", "issueDate": "2026-12-06", "dueDate": "2026-12-20",
  "deliveryDate": "2026-12-04", "buyerReference": "04011000-12345-03", "orderNumber": "B-4711",
  "paymentTerms": "14 Tage rein netto", "xrechnungVersion": "3.0",
  "supplier": {"partyId": "L-7", "name": "Tischlerei Muster GmbH", "street": "Hauptstraße 12",
               "postalCode": "53111", "city": "Bonn", "countryCode": "DE", "vatId": "DE123456789",
               "registrationName": "Tischlerei Muster GmbH", "registrationId": "HRB 4711", "legalForm": "GmbH",
               "contactName": "Erika Muster", "phone": "0228 123456", "email": "rechnung@tischlerei.example"},
  "iban": "DE02120300000000202051", "bic": "BYLADEM1001", "bankName": "Beispielbank",
  "customer": {"partyId": "K-100", "name": "Stadtverwaltung Köln", "street": "Rathausplatz 1",
               "postalCode": "50667", "city": "Köln", "countryCode": "DE", "registrationName": "Stadt Köln",
               "electronicAddress": "04011000-12345-03", "electronicAddressScheme": "0204"},
  "lines": [
    {"position": "1", "quantity": "4", "itemNumber": "T-120", "itemName": "Schreibtisch Eiche",
     "itemDescription": "geölt, 160 × 80 cm", "unitPrice": "489,00", "lineVatPercent": "19"},
    {"position": "2", "quantity": "4", "itemNumber": "S-31", "itemName": "Bürostuhl", "unitPrice": "215,50",
     "lineVatPercent": "19"},
    {"position": "3", "quantity": "12", "itemNumber": "M-9", "itemName": "Montage je Stunde",
     "unitPrice": "58,00", "lineVatPercent": "19", "unitCode": "HUR", "lineStartDate": "2026-12-01", "lineEndDate": "2026-12-04"},
    {"position": "4", "quantity": "3", "itemNumber": "B-2", "itemName": "Fachbuch Holzbau", "unitPrice": "39,90", "unitCode": "C62",
     "lineVatPercent": "7"}
  ],
  "allowance": {"reason": "Treuerabatt", "percent": "-3", "vatSlot": 0}
}
JSON
}

if [[ ${1:-} == --inside ]]; then
    program=$2
    out=$3
    example=$4
    # Start in an empty folder, so no settings file changes the lists.
    workdir=$(mktemp -d)
    trap 'rm -rf "$workdir"' EXIT
    (cd "$workdir" && exec "$program") &
    pid=$!
    window=$(timeout 30 xdotool search --sync --onlyvisible --name 'Tallomir Ver\.' | head -n 1)
    sleep 1
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    for page in "${pages[@]}"; do
        sleep 0.5
        import -window "$window" "$out/$page.png"
        echo "$out/$page.png"
        # Ctrl+Tab brings the next page to the front.
        xdotool key --clearmodifiers ctrl+Tab
    done
    # "Laden" by its shortcut, then the file's name into the dialog; from
    # "XML Datei" (the first menu, opened with a click) the Right key moves
    # on to "Ansicht".
    xdotool key --clearmodifiers ctrl+o
    timeout 30 xdotool search --sync --onlyvisible --name '^XML Datei laden' >/dev/null
    sleep 0.5
    xdotool type --delay 20 "$example"
    xdotool key Return
    sleep 1
    xdotool mousemove --window "$window" 25 12 click 1
    sleep 0.5
    xdotool key Right Return
    view=$(timeout 30 xdotool search --sync --onlyvisible --name '^Rechnung Nr\.' | head -n 1)
    sleep 1
    import -window "$view" "$out/ansicht.png"
    echo "$out/ansicht.png"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    exit 0
fi

program=${1:-$root/build/src/app/tallomir}
if [[ ! -x $program ]]; then
    echo "The program is not built: $program (build it, or name it as the first argument)" >&2
    exit 1
fi
for tool in xvfb-run xdotool import pdftoppm; do
    if ! command -v "$tool" >/dev/null; then
        echo "Missing $tool: apt-get install xvfb xdotool imagemagick poppler-utils" >&2
        exit 1
    fi
done
out=$root/docs/screenshots
mkdir -p "$out"
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
cli=$(dirname "$(dirname "$program")")/cli/tallomir-cli
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
example_json >"$tmp/rechnung.json"
"$cli" build "$tmp/rechnung.json" "$tmp/rechnung.xml"
"$cli" pdf "$tmp/rechnung.xml" "$tmp/rechnung.pdf"
pdftoppm -r 70 -f 1 -l 1 -singlefile -png "$tmp/rechnung.pdf" "$out/pdf-seite1"
echo "$out/pdf-seite1.png"
xvfb-run -a -s "-screen 0 1280x900x24" bash "$0" --inside "$program" "$out" "$tmp/rechnung.xml"
tests=$(dirname "$(dirname "$(dirname "$program")")")/tests/app/tallomir_app_tests
QT_QPA_PLATFORM=offscreen TALLOMIR_SCREENSHOTS=$tmp "$tests" store theArchiveListSortsAndScrollsOverEveryRow >/dev/null
convert "$tmp/archiv.png" -colors 64 PNG8:"$out/archiv.png"
echo "$out/archiv.png"
