#!/bin/sh
# How long the program takes to end after "Close Without Saving" is answered, connected over TCP to
# the stand-in with the scan streaming: prints "quit_after_answer_ms MEDIAN ms" over RUNS runs (goal:
# at most 300). Measured from the outside, the real program under Xvfb (needs Xvfb, xdotool and
# xwininfo); the time includes up to 10 ms of polling for the process's end.
# Run it in a private network with the serial port masked:
#   unshare -m -n sh -c 'mount --bind /dev/null /dev/ttyS0; ip link set lo up; bench/quit_time.sh build 5'
B=$(realpath "${1:-build}"); RUNS=${2:-5}
export HOME=$(mktemp -d) DISPLAY=:93 QT_QPA_PLATFORM=xcb LANG=C.UTF-8
mkdir -p "$HOME/.config/Trevalor"
printf '[General]\nLanguage=1\n[connect]\nlastAddress=127.0.0.1\nunsavedDesign=keep\n' \
    > "$HOME/.config/Trevalor/Parameters.conf"
Xvfb :93 -screen 0 1366x768x24 >/dev/null 2>&1 & XV=$!
"$B/tools/sensor-sim/veltrin-sensor-sim" --rate 20 >/dev/null 2>&1 & SIM=$!
sleep 1
"$B/tools/veltrin-cli/veltrin-cli" read 127.0.0.1 -o "$HOME/p.VKT30" >/dev/null 2>&1
for run in $(seq "$RUNS"); do
    "$B/src/veltrin" "$HOME/p.VKT30" 2>/dev/null & APP=$!
    sleep 4
    W=$(xdotool search --pid $APP --onlyvisible --name Veltrin | head -1)
    xdotool windowmove "$W" 0 0 windowsize "$W" 1366 738; sleep 1
    xdotool mousemove 945 41 click 1; sleep 0.5 # the Ethernet connection tool
    xdotool windowfocus --sync "$W" key --window "$W" ctrl+alt+c; sleep 4
    xdotool key --window "$W" ctrl+d; sleep 0.3 # an edit, so quitting asks
    xdotool key --window "$W" ctrl+q; sleep 1.5
    Q=$(xwininfo -root -tree | grep -E '"Warning"' | awk '{print $1}' | head -1)
    [ -n "$Q" ] || { echo "no question on quitting" >&2; kill $APP; continue; }
    xdotool windowfocus --sync "$Q"
    T0=$(date +%s%N)
    xdotool key --window "$Q" Tab space # Close Without Saving
    while kill -0 $APP 2>/dev/null; do sleep 0.01; done
    echo $((($(date +%s%N) - T0) / 1000000))
done | sort -n | awk '{v[NR]=$1} END {if (NR) print "quit_after_answer_ms", v[int((NR+1)/2)], "ms"}'
kill $SIM $XV 2>/dev/null
