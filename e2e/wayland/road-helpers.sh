# Helpers the Wayland roads share; sourced by each road, which defines `work` (its folder,
# holding the target's log) and `fail` (its way to report and stop) first.

# Polls a command for up to ten seconds.
wait_for() {
    for _ in $(seq 1 200); do
        "$@" 2>/dev/null && return 0
        sleep 0.05
    done
    return 1
}

# The text the target holds now, as its log last said, with a bar at its end.
target_text() {
    python3 -c '
import json, sys
text = ""
for line in open(sys.argv[1], encoding="utf-8"):
    e = json.loads(line)
    if e.get("event") == "text": text = e["text"]
print(text + "|", end="")' "$work/target.log"
}
# Waits up to ten seconds for the target to hold exactly this text.
expect_text() {
    local want=$1
    for _ in $(seq 1 200); do
        [ "$(target_text)" = "$want|" ] && return 0
        sleep 0.05
    done
    fail "the target holds '$(target_text)', not '$want|'"
}
