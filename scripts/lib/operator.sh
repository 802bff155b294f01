# shellcheck shell=bash
# Ostrel under Xvfb, driven as an operator drives it: a working folder of its own, the client
# started in it, and clicks on its real controls with xdotool. Sourced by scripts/demo and
# scripts/soak, which keep `pids` (processes to end on exit) and call these in order:
#
#   op_prepare_folder DIR PORT RES_DIR   ini/, PTZ command files, logos, a settings profile
#   op_start_xvfb LOG [WxH]              a free display (1280x1024 unless given); DISPLAY exported
#   op_start_client DIR CLIENT LOG [--profile NAME]   sets client_pid, WID (the main window), MX, MY
#
# Coordinates are the skin's (res/skin_layout.h): a control's left and top plus half its size,
# counted from its window's top-left corner.

# ---- the working folder ------------------------------------------------------------------
op_hex() { printf '%02x' $(( $1 & 0xFF )); }
op_pelco_d() { # address cmd1 cmd2 data1 data2
    local sum=$(( ($1 + $2 + $3 + $4 + $5) & 0xFF ))
    echo "$(op_hex 0xFF)/$(op_hex "$1")/$(op_hex "$2")/$(op_hex "$3")/$(op_hex "$4")/$(op_hex "$5")/$(op_hex $sum)"
}
op_pelco_p() { # address data1 data2 data3 data4
    local a=$(( $1 - 1 )) x
    x=$(( 0xA0 ^ a ^ $2 ^ $3 ^ $4 ^ $5 ^ 0xAF ))
    echo "$(op_hex 0xA0)/$(op_hex $a)/$(op_hex "$2")/$(op_hex "$3")/$(op_hex "$4")/$(op_hex "$5")/$(op_hex 0xAF)/$(op_hex $x)"
}

# ini/opt.ini, ini/cnn.ini naming the simulator (callers may append entries), PTZ command files
# for cameras 1 to 8 (stop, left, right, up, down, the diagonals, zoom, focus) in both
# protocols, the logos, and a settings profile pointing at the simulator; the XDG folders are
# exported so the user's own settings are never touched.
op_prepare_folder() {
    local dir=$1 port=$2 res=$3 cam kind
    mkdir -p "$dir"/ini "$dir"/PTZ "$dir"/logo "$dir"/config/Ostrel "$dir"/runtime
    chmod 700 "$dir/runtime"
    printf '[PTZ_CMD_INTERVAL]\nCMD=70\nSTOP=70\n' >"$dir/ini/opt.ini"
    printf '[DVRSIM]\nIP=127.0.0.1\nPORT=%s\n' "$port" >"$dir/ini/cnn.ini"
    for kind in D P; do
        for cam in $(seq 1 8); do
            local f=op_pelco_d n=7
            [ $kind = P ] && f=op_pelco_p n=8
            echo "<$cam>"
            echo "STOP/$n/$($f "$cam" 0 0 0 0)/"
            echo "LEFT/$n/$($f "$cam" 0 0x04 0x20 0)/"
            echo "RIGHT/$n/$($f "$cam" 0 0x02 0x20 0)/"
            echo "UP/$n/$($f "$cam" 0 0x08 0 0x20)/"
            echo "DOWN/$n/$($f "$cam" 0 0x10 0 0x20)/"
            echo "LEFTUP/$n/$($f "$cam" 0 0x0C 0x20 0x20)/"
            echo "RIGHTUP/$n/$($f "$cam" 0 0x0A 0x20 0x20)/"
            echo "RIGHTDOWN/$n/$($f "$cam" 0 0x12 0x20 0x20)/"
            echo "LEFTDOWN/$n/$($f "$cam" 0 0x14 0x20 0x20)/"
            echo "ZOOMIN/$n/$($f "$cam" 0 0x20 0 0)/"
            echo "ZOOMOUT/$n/$($f "$cam" 0 0x40 0 0)/"
            if [ $kind = D ]; then
                echo "FOCUSOUT/$n/$($f "$cam" 0 0x80 0 0)/"
            else
                echo "FOCUSOUT/$n/$($f "$cam" 0x02 0 0 0)/"
            fi
            echo "FOCUSIN/$n/$($f "$cam" 0x01 0 0 0)/"
        done >"$dir/PTZ/pelco$kind.tl"
    done
    : >"$dir/PTZ/user_command.tl"
    cp "$res/skin/logo/slogo.bmp" "$res/skin/logo/blogo.bmp" "$dir/logo/"
    cat >"$dir/config/Ostrel/Ostrel16.conf" <<EOF
[Setting]
Host%20IPAddress=127.0.0.1
Host%20Port=$port
Ip%20Label=DVRSIM
Use%20AlertMode=1
Print%20File=$dir/print.pdf
EOF
    chmod 700 "$dir/config/Ostrel" "$dir/runtime" && chmod 600 "$dir/config/Ostrel/Ostrel16.conf" # as the client keeps them
    export XDG_CONFIG_HOME=$dir/config XDG_DATA_HOME=$dir/data XDG_RUNTIME_DIR=$dir/runtime
}

# ---- Xvfb and the client -----------------------------------------------------------------
op_start_xvfb() {
    local log=$1 size=${2:-1280x1024} n display=
    for n in $(seq $(( 100 + RANDOM % 100 )) 299); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=:$n; break; }
    done
    # -noreset: without it the server starts afresh whenever its last client leaves, which drops
    # the root window's X resources, so an `xrdb -merge` of Xft.dpi before the client starts
    # would be gone by the time it looks.
    Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp -noreset >"$log" 2>&1 &
    pids+=($!)
    export DISPLAY=$display
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    xdpyinfo >/dev/null 2>&1
}

op_start_client() { # DIR CLIENT LOG [--profile NAME]: the window is "Ostrel - NAME" then
    local dir=$1 client=$2 log=$3 title='^Ostrel$'
    shift 3
    [ "${1:-}" = --profile ] && title="^Ostrel - $2\$"
    (cd "$dir" && exec "$client" "$@") >"$log" 2>&1 &
    client_pid=$!
    pids+=($client_pid)
    WID=$(timeout 30 xdotool search --sync --onlyvisible --name "$title" | head -n 1) || true
    [ -n "$WID" ] || return 1
    op_geometry "$WID"
    MX=$GX MY=$GY
}

# GX, GY, GW, GH: where a window is.
op_geometry() {
    local X Y WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$1" 2>/dev/null || echo X=0 Y=0 WIDTH=0 HEIGHT=0)"
    GX=$X GY=$Y GW=$WIDTH GH=$HEIGHT
}

# The first visible window of that title, waiting up to 10 s; nothing when none came.
op_window_of() { timeout "${2:-10}" xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true; }

# ---- the main window ---------------------------------------------------------------------
# OP_SCALE: device pixels per skin pixel (a client run with QT_SCALE_FACTOR).
op_click() { xdotool mousemove $((MX + $1 * ${OP_SCALE:-1})) $((MY + $2 * ${OP_SCALE:-1})) click "${3:-1}"; }
op_connect() { op_click $((228 + 16)) $((574 + 16)); }
op_layout() { op_click $((368 + 51 * $1 + 20)) $((598 + 12)); } # 0 one, 1 four, 3 nine, 6 sixteen
op_channel() { # 0..15
    local xs=(311 343 371 398 426 455 482 510 538 566 594 622 650 678 706 735)
    op_click $((xs[$1] + 14)) 655
}
op_setting() { op_click $((807 + 25)) $((329 + 5)); }
op_archive() { op_click $((807 + 25)) $((345 + 5)); }
op_exit() { op_click $((735 + 57)) $((16 + 11)); }
# Holds PTZ "up" of the selected camera for $1 seconds with the mouse.
op_ptz_hold_up() {
    xdotool mousemove $((MX + 773 + 25)) $((MY + 437 + 17)) mousedown 1
    sleep "$1"
    xdotool mouseup 1
}

# ---- the archive dialog ------------------------------------------------------------------
# Opens it from the main window: sets AWID, AX, AY; fails when it did not appear.
op_archive_open() {
    op_archive
    sleep 1.5
    AWID=$(timeout 10 xdotool search --sync --onlyvisible --name '^Ostrel$' 2>/dev/null | grep -vx "$WID" | head -n 1 || true)
    [ -n "$AWID" ] || return 1
    op_geometry "$AWID"
    AX=$GX AY=$GY
}
op_aclick() { xdotool mousemove $((AX + $1)) $((AY + $2)) click 1; }
op_a_later() { op_aclick $((839 + 19)) $((306 + 20)); }      # an hour later
op_a_forward() { op_aclick $((859 + 19)) $((255 + 20)); }
op_a_fast_forward() { op_aclick $((901 + 19)) $((255 + 20)); }
op_a_reverse() { op_aclick $((774 + 19)) $((255 + 20)); }
op_a_stop() { op_aclick $((817 + 19)) $((255 + 20)); }
op_a_backup() { op_aclick $((877 + 31)) $((629 + 25)); }     # AVI backup: starts, and stops
op_a_snapshot() { op_aclick $((808 + 31)) $((574 + 25)); }
op_a_print() { op_aclick $((877 + 31)) $((574 + 25)); }
op_a_single() { op_aclick $((57 + 12)) $((525 + 13)); }      # the chosen camera alone
op_a_events() { op_aclick $((808 + 31)) $((629 + 25)); }     # the event list
op_a_viewer() { op_aclick $((732 + 59)) $((16 + 11)); }      # back to live
