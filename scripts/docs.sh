#!/usr/bin/env bash
# Makes the README's pictures with the project's own tool:
#   docs/static-square.png   a static frame with square LEDs
#   docs/static-round.png    a static frame with round LEDs
#   docs/marquee.gif         the marquee with colour, blink, shape, size and halting codes
#   docs/sign-russian.png    signs in Russian and Greek with Debian's 5x7 Unicode font
#   docs/sign-greek.png      (xfonts-base) through the ISO 8859-5 and -7 code pages
# All three are deterministic (render has no timers; gif runs on a simulated clock).
#   scripts/docs.sh [VYRMATRIX] [OUT_DIR]     defaults build/bin/vyrmatrix, docs
set -euo pipefail
cd "$(dirname "$0")/.."
VYRMATRIX=${1:-build/bin/vyrmatrix}
OUT=${2:-docs}
mkdir -p "$OUT"

# TotalVisible comes before Text: assigning the text puts the cursor at its end, and the window
# must already be wide enough to hold the whole text from its first character.
"$VYRMATRIX" render --set TotalVisible=14 --set LEDSize=3 --set "Text=VyrComponents" \
    --save "$OUT/static-square.png"
"$VYRMATRIX" render --set TotalVisible=12 --set LEDShape=Circle --set LEDSize=5 --set "Text=Round LEDs" \
    --set ActiveLED=false --set InactiveLEDOnColor=0x00C0FF --set InactiveLEDOffColor=0x002838 \
    --save "$OUT/static-round.png"
"$VYRMATRIX" gif "Vyr LED @200FF00green @200C0FFamber @0010000blink@0000000 @S000001@L000004round@S000000@L000002 square @20000FFhalt@4000000" \
    --set TotalVisible=16 --set Delay=60 --set BlinkDelay=240 -o "$OUT/marquee.gif" >/dev/null
FONT=/usr/share/fonts/X11/misc/5x7.pcf.gz
"$VYRMATRIX" render --font "$FONT" --codepage ISO-8859-5 --set TotalVisible=17 --set LEDSize=3 \
    --set "Text=Добро пожаловать" --save "$OUT/sign-russian.png"
"$VYRMATRIX" render --font "$FONT" --codepage ISO-8859-7 --set TotalVisible=14 --set LEDSize=3 \
    --set "Text=Καλώς ήρθατε!" --save "$OUT/sign-greek.png"
echo "docs: pictures written to $OUT"
