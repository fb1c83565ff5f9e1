#!/bin/bash
# Fails when a source file includes a header of a layer above its own, when a headless layer
# includes Qt, or when OpenGL is included outside the layers that draw. The layers, lowest
# first, and what each may include besides itself:
#
#   geometry    (src/geometry)          -
#   document    (src/document)          geometry
#   exchange    (src/exchange)          geometry document
#   viewcore    (src/view/core)         geometry document
#   toolscore   (src/tools/core)        geometry document viewcore
#   printcore   (src/printing/core)     geometry document
#   render      (src/view/gl)           geometry document viewcore printcore
#   printout    (src/printing/output)   geometry document viewcore toolscore printcore render
#   resources   (src/resources)         -
#   view        (src/view)              geometry document viewcore render resources
#   printing    (src/printing)          geometry document viewcore toolscore printcore render
#                                       printout resources view
#   tools       (src/tools)             geometry document exchange viewcore toolscore render
#                                       resources view
#   cli         (src/cli)               geometry document exchange viewcore toolscore printcore
#                                       render printout
#   app         (src/app)               every layer
#
# The headless layers (geometry to printcore) include no Qt; OpenGL is included by the render
# layer alone, and by geometry's tessellation (GLU).
#
# Usage: scripts/check-layers.sh [SRC_DIR]   (default src)
set -euo pipefail
cd "$(dirname "$0")/.."
SRC=${1:-src}

declare -A ALLOWED=(
    [geometry]=""
    [document]="geometry"
    [exchange]="geometry document"
    [viewcore]="geometry document"
    [toolscore]="geometry document viewcore"
    [printcore]="geometry document"
    [render]="geometry document viewcore printcore"
    [printout]="geometry document viewcore toolscore printcore render"
    [resources]=""
    [view]="geometry document viewcore render resources"
    [printing]="geometry document viewcore toolscore printcore render printout resources view"
    [tools]="geometry document exchange viewcore toolscore render resources view"
    [cli]="geometry document exchange viewcore toolscore printcore render printout"
    [app]="geometry document exchange viewcore toolscore printcore render printout resources view printing tools"
)
HEADLESS=" geometry document exchange viewcore toolscore printcore "
DRAWING=" render "

# The layer of a path relative to the source folder; empty when it has none.
layer_of() {
    case "$1" in
        geometry/*) echo geometry ;;
        document/*) echo document ;;
        exchange/*) echo exchange ;;
        view/core/*) echo viewcore ;;
        view/gl/*) echo render ;;
        view/*) echo view ;;
        tools/core/*) echo toolscore ;;
        tools/*) echo tools ;;
        printing/core/*) echo printcore ;;
        printing/output/*) echo printout ;;
        printing/*) echo printing ;;
        resources/*) echo resources ;;
        cli/*) echo cli ;;
        app/*) echo app ;;
        *) echo "" ;;
    esac
}

failures=0
while IFS= read -r file; do
    rel=${file#"$SRC"/}
    own=$(layer_of "$rel")
    [ -n "$own" ] || continue
    while IFS=: read -r line text; do
        if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
            inc=${BASH_REMATCH[1]}
            target=$(layer_of "$inc")
            if [ -n "$target" ] && [ "$target" != "$own" ] &&
                [[ " ${ALLOWED[$own]} " != *" $target "* ]]; then
                echo "$file:$line: $own includes $inc of layer $target"
                failures=$((failures + 1))
            fi
        elif [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<(Q[A-Za-z]*)(/[^>]*)?\> ]]; then
            if [[ $HEADLESS == *" $own "* ]]; then
                echo "$file:$line: headless layer $own includes Qt (${BASH_REMATCH[1]})"
                failures=$((failures + 1))
            fi
        elif [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<GL/ ]]; then
            # Geometry tessellates with GLU; everything else that calls GL draws.
            if [[ $DRAWING != *" $own "* ]] && [ "$rel" != "geometry/Polygon.cpp" ]; then
                echo "$file:$line: layer $own includes OpenGL"
                failures=$((failures + 1))
            fi
        fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$file")
done < <(find "$SRC" -type f \( -name '*.cpp' -o -name '*.h' \) | sort)

if [ "$failures" -ne 0 ]; then
    echo "check-layers: $failures include(s) against the layers" >&2
    exit 1
fi
echo "check-layers: every include points down"
