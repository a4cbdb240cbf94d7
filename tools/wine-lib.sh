# Sourced by the Wine scripts: chooses Wine's loader and server for a prefix
# of one architecture, by path, because /usr/bin/wine picks the 32-bit loader
# whenever wine32 is installed, even where 32-bit programs cannot run.

# use_wine ARCH PREFIX_DIR: ARCH is win32 (32-bit programs) or win64.
# Exports the prefix settings and the two paths: the scripts start
# "$WINELOADER" and "$WINESERVER", and Wine starts further programs with
# WINELOADER. (A Wine that finds no server running, as in wineboot, starts
# the wineserver script beside its loader, which prefers the 64-bit server;
# either server serves both kinds of program.) Ends the calling script with
# the cause and the fix when that Wine cannot run here.
use_wine() {
  local arch=$1 prefix=$2 tools
  tools=$(dirname "${BASH_SOURCE[0]}")
  case "$arch" in
    win32)
      WINELOADER=/usr/lib/wine/wine
      WINESERVER=/usr/lib/wine/wineserver32
      if ! "$tools/runs-32bit"; then
        echo "This machine runs no 32-bit programs (its kernel has no IA-32 emulation), so the" \
          "32-bit Windows programs cannot run under Wine here; use the 64-bit build of the" \
          "same sources in build/win64 (make test and make demo choose it by themselves)." >&2
        exit 1
      fi
      ;;
    win64)
      WINELOADER=/usr/lib/wine/wine64
      WINESERVER=/usr/lib/wine/wineserver64
      ;;
    *)
      echo "use_wine: the architecture must be win32 or win64, not '$arch'" >&2
      exit 2
      ;;
  esac
  if [ ! -x "$WINELOADER" ] || [ ! -x "$WINESERVER" ]; then
    echo "Wine for $arch programs is not installed ($WINELOADER, $WINESERVER);" \
      "run tools/install-deps." >&2
    exit 1
  fi
  export WINEARCH=$arch WINELOADER WINESERVER
  WINEPREFIX=$(realpath -m "$prefix")
  export WINEPREFIX
  export WINEDEBUG=-all
  # No network here: nothing may try to download Mono or Gecko.
  export WINEDLLOVERRIDES="mscoree=d;mshtml=d"
}

# Creates the prefix once; a lock keeps two sessions from doing it together.
boot_wine_prefix() {
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      "$WINELOADER" wineboot -i >/dev/null 2>&1
      # A crashing program must end, not wait in a crash dialog.
      "$WINELOADER" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        >/dev/null 2>&1
      "$WINESERVER" -w
    fi
  ) 9>"$WINEPREFIX.lock"
}
