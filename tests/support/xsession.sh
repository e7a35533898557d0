# Sourced by the test scripts: starts a private X server (and optionally a
# window manager and a compositor) as xserver.conf beside this file sets them
# up, and stops them again by PID.
#   xsession_start [--wm] [--compositor]   exports DISPLAY
#   xsession_stop

_xs_pids=()
while IFS='=' read -r key value; do
    case "$key" in
        '' | '#'*) ;;
        *) printf -v "_xs_$key" '%s' "$value" ;;
    esac
done <"$(dirname "${BASH_SOURCE[0]}")/xserver.conf"

_xs_wait_for() {  # _xs_wait_for <command...>: poll until it succeeds
    local deadline=$((SECONDS + _xs_start_seconds))
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.1
    done
}

_xs_frames_probe() {  # maps a probe window; succeeds if it is framed within a second
    local name="xsession-probe-$$-$RANDOM" pid framed=1
    xev -name "$name" -geometry 10x10+0+0 >/dev/null 2>&1 &
    pid=$!
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        if xprop -name "$name" WM_STATE 2>/dev/null | grep -q "window state"; then
            framed=0
            break
        fi
        sleep 0.1
    done
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return $framed
}

xsession_start() {
    local wm=0 comp=0 number
    for arg in "$@"; do
        case "$arg" in
            --wm) wm=1 ;;
            --compositor) comp=1 ;;
        esac
    done
    # The server picks a free display number itself and reports it.
    number=$(mktemp)
    # shellcheck disable=SC2086  # the arguments are words
    Xvfb -displayfd 3 -screen 0 "$_xs_screen" $_xs_xvfb_arguments 3>"$number" >/dev/null 2>&1 &
    _xs_pids+=($!)
    _xs_wait_for grep -q . "$number"
    export DISPLAY=":$(head -n 1 "$number")"
    rm -f "$number"
    if [ "$DISPLAY" = ":" ] || ! _xs_wait_for xdpyinfo; then
        echo "xsession: Xvfb did not start" >&2
        return 1
    fi
    if [ $wm = 1 ]; then
        "$_xs_window_manager" >/dev/null 2>&1 &
        _xs_pids+=($!)
        # Ready once it has claimed the window-manager selection and frames a
        # window mapped after that: it announces itself before it has finished
        # starting, and a window mapped meanwhile can be left unmapped for good.
        { _xs_wait_for sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' &&
            _xs_wait_for _xs_frames_probe; } ||
            echo "xsession: $_xs_window_manager did not come up" >&2
    fi
    if [ $comp = 1 ]; then
        "$_xs_compositor" >/dev/null 2>&1 &
        _xs_pids+=($!)
        _xs_wait_for sh -c "xwininfo -root -tree | grep -q '\"$_xs_compositor\"'" ||
            echo "xsession: $_xs_compositor did not come up" >&2
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
