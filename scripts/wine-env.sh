# Sourced: a private, quiet Wine for Tarnel's Windows programs, kept inside the build tree.
# Sets WINEPREFIX, HOME, XDG_* and TMPDIR under $TARNEL_WINE_ROOT (default build/wine), a
# Japanese locale, and creates the prefix and the locale on first use.
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export TARNEL_WINE_ROOT=${TARNEL_WINE_ROOT:-$repo_root/build/wine}
mkdir -p "$TARNEL_WINE_ROOT"/{home,cache,config,data,tmp,locale}
export WINEPREFIX=$TARNEL_WINE_ROOT/prefix
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export HOME=$TARNEL_WINE_ROOT/home
export XDG_CONFIG_HOME=$TARNEL_WINE_ROOT/config
export XDG_DATA_HOME=$TARNEL_WINE_ROOT/data
export XDG_CACHE_HOME=$TARNEL_WINE_ROOT/cache
export TMPDIR=$TARNEL_WINE_ROOT/tmp
export LOCPATH=$TARNEL_WINE_ROOT/locale
export LANG=ja_JP.UTF-8
unset LC_ALL

if [ ! -d "$LOCPATH/ja_JP.UTF-8" ]; then
    localedef -i ja_JP -f UTF-8 "$LOCPATH/ja_JP.UTF-8" 2>/dev/null || true
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    (unset DISPLAY; wine wineboot -i >/dev/null 2>&1 && wineserver -w) || true
fi
# Wine's own "MS Sans Serif" has no Japanese glyphs, and the fallback it links to is monospaced
# and wider than Japanese Windows' fonts: labels of the conversion dialog would wrap and be cut.
# A proportional Japanese font in its place renders the dialog as Windows does.
if [ -f "$WINEPREFIX/user.reg" ] && ! grep -q '"MS Sans Serif"="IPAPGothic"' "$WINEPREFIX/user.reg"; then
    (unset DISPLAY; wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS Sans Serif' \
         /d 'IPAPGothic' /f >/dev/null 2>&1 && wineserver -w) || true
fi
