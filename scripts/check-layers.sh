#!/usr/bin/env bash
# Fails when a layer includes a header of a layer above it. The order, bottom to top:
#   platform -> core -> definition -> checks -> engine -> ui -> app
# progress.exe and the one-file setup's stub (bundle/) are programs of their own beside the stack:
# they may use platform and core only.
# setupcheck.exe (checker/) may use the layers up to checks.
# Usage: scripts/check-layers.sh [ROOT]
set -euo pipefail
ROOT="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
cd "$ROOT"

LAYERS=(platform core definition checks engine ui app)
rank() {
  local i
  for i in "${!LAYERS[@]}"; do [ "${LAYERS[$i]}" = "$1" ] && { echo "$i"; return; }; done
  echo -1
}

bad=0
check_folder() {  # check_folder FOLDER HIGHEST_ALLOWED_RANK
  local folder="$1" top="$2" file line header target r
  [ -d "$folder" ] || return 0
  while IFS= read -r file; do
    while IFS= read -r line; do
      header="${line#*\"}"
      header="${header%%\"*}"
      target="${header%%/*}"
      r=$(rank "$target")
      [ "$r" -ge 0 ] || continue  # not a layer (system, test or generated header)
      if [ "$r" -gt "$top" ]; then
        echo "layers: $file includes \"$header\": $folder/ may not reach up to $target/"
        bad=1
      fi
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[a-z_]+/' "$file" || true)
  done < <(find "$folder" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.rc' \) | sort)
}

for layer in "${LAYERS[@]}"; do check_folder "$layer" "$(rank "$layer")"; done
check_folder progress "$(rank core)"
# The one-file setup's stub, a program of its own too: platform and core only.
check_folder bundle "$(rank core)"
# setupcheck.exe reads definitions with the setup's own code up to the probe table.
check_folder checker "$(rank checks)"

# Below the wizard nothing knows a window: the engine reports to an observer, the checks ask
# through the prompts seam. A window type or a window call there is a layering fault too.
WINDOW_API='\b(HWND|HDC|HMENU|HBRUSH|HFONT|WNDPROC|DLGPROC)\b|\b(SetWindowTextW?|GetWindowTextW?|ShowWindow|EnableWindow|GetDlgItem|GetParent|SendMessageW?|SendMessageTimeoutW?|PostMessageW?|SendNotifyMessageW?|MessageBoxW?|CreateWindowExW?|SetWindowsHookExW?|DialogBoxParamW?|InvalidateRect)[[:space:]]*\('
for folder in core definition checks engine; do
  hits=$(grep -rnE "$WINDOW_API" "$folder" --include='*.h' --include='*.cpp' || true)
  if [ -n "$hits" ]; then
    echo "$hits" | sed "s|^|layers: window API in $folder/: |"
    bad=1
  fi
done

if [ "$bad" -ne 0 ]; then
  echo "layers: upward includes or window calls found"
  exit 1
fi
echo "layers: ok (${LAYERS[*]})"
