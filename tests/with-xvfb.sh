#!/bin/sh
# Runs one test program on a private Xvfb display (the real player needs an X window id).
# A display already given by the caller is used as it is.
if [ -n "${TAVRELL_TEST_DISPLAY:-}" ]; then
    DISPLAY=$TAVRELL_TEST_DISPLAY QT_QPA_PLATFORM=xcb exec "$@"
fi
exec xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp -noreset" env QT_QPA_PLATFORM=xcb "$@"
