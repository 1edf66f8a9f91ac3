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
# A Japanese Windows draws its dialogs in its Japanese fonts: "MS Sans Serif" templates in its UI
# font, and "ＭＳ Ｐゴシック", "ＭＳ ゴシック" and "MS UI Gothic" are fonts it has. Wine has none of
# them and falls back to a monospaced font, wider than Windows' own: labels would wrap and be cut.
# The IPA fonts are drawn to the same measures, so the prefix names them in their place.
fonts_marker=$WINEPREFIX/.tarnel-japanese-fonts-2
if [ -f "$WINEPREFIX/user.reg" ] && [ ! -f "$fonts_marker" ]; then
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
        for pair in 'MS Sans Serif=IPAPGothic' 'MS UI Gothic=IPAPGothic' \
            'ＭＳ Ｐゴシック=IPAPGothic' 'MS PGothic=IPAPGothic' 'ＭＳ ゴシック=IPAGothic' \
            'MS Gothic=IPAGothic'; do
            printf '"%s"="%s"\r\n' "${pair%%=*}" "${pair#*=}"
        done
    } | iconv -f UTF-8 -t UTF-16 > "$TARNEL_WINE_ROOT/tmp/fonts.reg"
    (unset DISPLAY; wine regedit /S "$(winepath -w "$TARNEL_WINE_ROOT/tmp/fonts.reg" 2>/dev/null)" \
         >/dev/null 2>&1 && wineserver -w && touch "$fonts_marker") || true
fi
