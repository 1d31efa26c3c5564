#!/bin/sh
# Runs a Windows test program under Wine on the display that xvfb-run made
# for it: WINE WINESERVER PROGRAM [ARG]...
# Wine's X driver leaves the windows to no window manager (there is none):
# otherwise every show and hide waits in vain for one to answer. The prefix's
# server is ended afterwards, as its desktop lived on this display.
wine=$1 wineserver=$2
shift 2
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null || exit 1
"$wine" "$@"
rc=$?
"$wineserver" -k 2>/dev/null
exit $rc
