# Sourced by the test scripts: starts a private X server (and optionally a
# window manager and a compositor) and stops them again by PID.
#   xsession_start [--wm] [--compositor] [WxHxD]   exports DISPLAY
#   xsession_stop

_xs_pids=()

_xs_wait_for() {  # _xs_wait_for <seconds> <command...>: poll until it succeeds
    local deadline=$((SECONDS + $1)); shift
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.1
    done
}

xsession_start() {
    local wm=0 comp=0 geometry=1280x1024x24
    for arg in "$@"; do
        case "$arg" in
            --wm) wm=1 ;;
            --compositor) comp=1 ;;
            *) geometry=$arg ;;
        esac
    done
    local n=90
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 "$geometry" -nolisten tcp +extension Composite +extension RANDR \
        >/dev/null 2>&1 &
    _xs_pids+=($!)
    export DISPLAY=":$n"
    if ! _xs_wait_for 20 xdpyinfo; then
        echo "xsession: Xvfb on $DISPLAY did not start" >&2
        return 1
    fi
    if [ $wm = 1 ]; then
        openbox >/dev/null 2>&1 &
        _xs_pids+=($!)
        # openbox is ready once it has claimed the window-manager selection.
        _xs_wait_for 20 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
            echo "xsession: openbox did not come up" >&2
    fi
    if [ $comp = 1 ]; then
        xcompmgr >/dev/null 2>&1 &
        _xs_pids+=($!)
    fi
}

xsession_stop() {
    local pid
    for ((i = ${#_xs_pids[@]} - 1; i >= 0; i--)); do
        pid=${_xs_pids[$i]}
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    _xs_pids=()
}
