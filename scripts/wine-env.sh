# Sourced by the scripts: a private, quiet Wine prefix with a warm persistent server.
#   wine_prefix_up DIR    creates DIR as a prefix when missing and starts its server
#   wine_prefix_down DIR  stops the server of DIR
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # never offer the Mono/Gecko downloads

wine_prefix_up() {
  export WINEPREFIX="$1"
  mkdir -p "$WINEPREFIX"
  wineserver -p </dev/null >/dev/null 2>&1 || true   # already running is fine
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i </dev/null >/dev/null 2>&1
  fi
  # Warm it with every stream redirected, so no background service holds the caller's pipes.
  wine cmd /c exit </dev/null >/dev/null 2>&1
}

wine_prefix_down() {
  WINEPREFIX="$1" wineserver -k 2>/dev/null || true
}
