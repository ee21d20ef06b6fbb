#!/usr/bin/env bash
# One diary on two computers through the sync tool people run: two
# Syncthing instances on the loopback, each sharing one data folder with the
# other. While their link is paused a program on each side adds readings to
# the same person (and one side a new person); the link resumes, Syncthing
# leaves a conflict copy of the person's file, quorvel-data merge takes it
# in on one side, and after the sync both folders hold every reading and
# both people, and check finds nothing left to do.
#
# Syncthing talks to nothing but the other instance: it listens on
# 127.0.0.1 only, reaches its peer at tcp://127.0.0.1:PORT, and every
# discovery, relay, NAT traversal, STUN, usage and crash report and upgrade
# check is off in the configuration written before it first starts. Every
# wait is bounded and polls Syncthing's REST API; the instances are stopped
# on every exit.
#
# Usage: sync_two_computers.sh <quorvel binary> <source folder>
source "$(dirname "$0")/lib/common.bash"

QD="$(dirname "$E2E_BIN")/quorvel-data"
[ -x "$QD" ] || fail "quorvel-data is not built beside quorvel"
if ! command -v syncthing >/dev/null 2>&1; then
  # On CI the package is installed (scripts/install-deps.sh): missing there is a failure.
  [ -z "${CI:-}" ] || fail "syncthing is not installed (scripts/install-deps.sh installs it)"
  echo "sync two computers: skipped (syncthing is not installed; scripts/install-deps.sh installs it)"
  exit 0
fi
command -v curl >/dev/null 2>&1 || fail "curl is needed to talk to Syncthing's REST API"

export STNODEFAULTFOLDER=1 STNOUPGRADE=1 STNORESTART=1
ST_PIDS=()
stop_syncthing() {
  local pid
  for pid in "${ST_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${ST_PIDS[@]}"; do
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
  ST_PIDS=()
}
trap 'stop_syncthing; e2e_cleanup' EXIT

# Four ports nothing listens on, chosen now.
read -r PORT_A PORT_B GUI_A GUI_B < <(python3 -c '
import socket
s = [socket.socket() for _ in range(4)]
for x in s: x.bind(("127.0.0.1", 0))
print(*[x.getsockname()[1] for x in s])
for x in s: x.close()')

HOME_A="$E2E_TMP/st-a" HOME_B="$E2E_TMP/st-b"
DIR_A="$E2E_TMP/computer-a" DIR_B="$E2E_TMP/computer-b"
KEY_A=quorvel-test-key-a KEY_B=quorvel-test-key-b
FOLDER_ID=quorvel-diary
mkdir -p "$DIR_A/.stfolder" "$DIR_B/.stfolder"

device_id() {  # HOME: keys made, the device id printed
  timeout 60 syncthing generate --home "$1" --no-default-folder 2>&1 | sed -n 's/^.*Device ID: *//p'
}

# write_config HOME OWN_ID OWN_PORT PEER_ID PEER_PORT GUI_PORT API_KEY FOLDER
write_config() {
  cat >"$1/config.xml" <<XML
<configuration version="36">
    <folder id="$FOLDER_ID" label="Quorvel" path="$8" type="sendreceive" rescanIntervalS="3600" fsWatcherEnabled="false" fsWatcherDelayS="10" ignorePerms="false" autoNormalize="true">
        <filesystemType>basic</filesystemType>
        <device id="$2" introducedBy=""></device>
        <device id="$4" introducedBy=""></device>
        <minDiskFree unit="%">0</minDiskFree>
        <maxConflicts>10</maxConflicts>
    </folder>
    <device id="$2" name="self" compression="metadata" introducer="false">
        <address>dynamic</address>
    </device>
    <device id="$4" name="peer" compression="metadata" introducer="false">
        <address>tcp://127.0.0.1:$5</address>
        <paused>false</paused>
        <autoAcceptFolders>false</autoAcceptFolders>
    </device>
    <gui enabled="true" tls="false" debugging="false">
        <address>127.0.0.1:$6</address>
        <apikey>$7</apikey>
    </gui>
    <options>
        <listenAddress>tcp://127.0.0.1:$3</listenAddress>
        <globalAnnounceServer></globalAnnounceServer>
        <globalAnnounceEnabled>false</globalAnnounceEnabled>
        <localAnnounceEnabled>false</localAnnounceEnabled>
        <relaysEnabled>false</relaysEnabled>
        <natEnabled>false</natEnabled>
        <stunServer></stunServer>
        <stunKeepaliveStartS>0</stunKeepaliveStartS>
        <stunKeepaliveMinS>0</stunKeepaliveMinS>
        <urAccepted>-1</urAccepted>
        <urSeen>3</urSeen>
        <urURL></urURL>
        <crashReportingEnabled>false</crashReportingEnabled>
        <crashReportingURL></crashReportingURL>
        <autoUpgradeIntervalH>0</autoUpgradeIntervalH>
        <releasesURL></releasesURL>
        <startBrowser>false</startBrowser>
        <announceLANAddresses>false</announceLANAddresses>
        <reconnectionIntervalS>1</reconnectionIntervalS>
        <minHomeDiskFree unit="%">0</minHomeDiskFree>
        <setLowPriority>false</setLowPriority>
    </options>
</configuration>
XML
}

api() {  # GUI_PORT KEY METHOD PATH
  curl -sf --max-time 30 -X "$3" -H "X-API-Key: $2" "http://127.0.0.1:$1$4"
}
api_a() { api "$GUI_A" "$KEY_A" "$@"; }
api_b() { api "$GUI_B" "$KEY_B" "$@"; }

# until LIMIT CONDITION...: polls the condition every tenth of a second.
until_true() {
  local limit=$1
  shift
  for _ in $(seq 1 $((limit * 10))); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  return 1
}

connected() {  # GUI KEY PEER_ID -> 0 when connected
  api "$1" "$2" GET /rest/system/connections |
    python3 -c 'import json,sys; sys.exit(0 if json.load(sys.stdin)["connections"].get(sys.argv[1], {}).get("connected") else 1)' "$3"
}
disconnected() { ! connected "$@"; }

# The data files of a folder (every file but Syncthing's), with their sums.
files_of() { (cd "$1" && find . -path ./.stfolder -prune -o -type f -print | sort | xargs -r -d '\n' md5sum); }

# Both sides scanned, idle, needing nothing, and holding the same files.
in_sync() {
  local gui key
  for side in a b; do
    if [ $side = a ]; then gui=$GUI_A key=$KEY_A; else gui=$GUI_B key=$KEY_B; fi
    api "$gui" "$key" POST "/rest/db/scan?folder=$FOLDER_ID" >/dev/null || return 1
    api "$gui" "$key" GET "/rest/db/status?folder=$FOLDER_ID" |
      python3 -c 'import json,sys; s=json.load(sys.stdin); sys.exit(0 if s["state"]=="idle" and s["needTotalItems"]==0 and s["globalFiles"]==s["localFiles"] else 1)' ||
      return 1
  done
  [ "$(files_of "$DIR_A")" = "$(files_of "$DIR_B")" ]
}

step "two Syncthing instances, each sharing one folder with the other on 127.0.0.1"
ID_A=$(device_id "$HOME_A")
ID_B=$(device_id "$HOME_B")
[ -n "$ID_A" ] && [ -n "$ID_B" ] || fail "syncthing generate gave no device id"
write_config "$HOME_A" "$ID_A" "$PORT_A" "$ID_B" "$PORT_B" "$GUI_A" "$KEY_A" "$DIR_A"
write_config "$HOME_B" "$ID_B" "$PORT_B" "$ID_A" "$PORT_A" "$GUI_B" "$KEY_B" "$DIR_B"
# Computer A has the diary with one person and a reading; B starts empty.
cp "$E2E_SRC/data/config.hma" "$E2E_SRC/data/template_new.xml" "$E2E_SRC/data/readme.txt" "$DIR_A/"
add_user() {  # FOLDER ID FIRST LAST
  local folder=$1 id=$2
  sed -i 's#<config/>#<config>\n</config>#' "$folder/config.hma"
  sed -i "s#</config>#\t<patient id=\"$id\">\n\t\t<name>\n\t\t\t<first>$3</first>\n\t\t\t<last>$4</last>\n\t\t</name>\n\t\t<file>user$id.hma</file>\n\t</patient>\n</config>#" \
    "$folder/config.hma"
  sed "0,/id=\"[0-9]*\"/s//id=\"$id\"/" "$folder/template_new.xml" >"$folder/user$id.hma"
}
add_user "$DIR_A" 0 Margaret Holloway
add_readings() {  # FOLDER USER CSV
  printf 'datetime,value\n%s\n' "$3" | "$QD" --data-dir "$1" import --user "$2" --variable Pulse - >>"$E2E_TMP/import.out" 2>&1 ||
    fail "the import into $1 failed: $(tail -3 "$E2E_TMP/import.out")"
}
add_readings "$DIR_A" 0 "2026-12-01 08:00,71"
for side in A B; do
  home=HOME_$side gui=GUI_$side
  syncthing serve --home "${!home}" --no-browser --no-restart --no-upgrade --logfile="$E2E_TMP/syncthing-$side.log" \
    >"$E2E_TMP/syncthing-$side.out" 2>&1 &
  ST_PIDS+=($!)
done
until_true 60 api_a GET /rest/system/ping >/dev/null || fail "Syncthing A did not answer on 127.0.0.1:$GUI_A"
until_true 60 api_b GET /rest/system/ping >/dev/null || fail "Syncthing B did not answer on 127.0.0.1:$GUI_B"
until_true 60 connected "$GUI_A" "$KEY_A" "$ID_B" || fail "the two instances did not connect"
until_true 120 in_sync || fail "computer B did not receive the diary"
assert_contains "$DIR_B/user0.hma" "<value>71.000000</value>"

step "the link paused, each computer adds readings to the same person, A a new person too"
api_a POST "/rest/system/pause?device=$ID_B" >/dev/null || fail "pausing A's link failed"
api_b POST "/rest/system/pause?device=$ID_A" >/dev/null || fail "pausing B's link failed"
until_true 60 disconnected "$GUI_A" "$KEY_A" "$ID_B" || fail "the link did not pause"
add_readings "$DIR_A" 0 "2026-12-02 08:00,72"
add_readings "$DIR_A" 0 "2026-12-03 08:00,73"
add_user "$DIR_A" 1 Daniel Okafor
add_readings "$DIR_A" 1 "2026-12-02 09:00,64"
add_readings "$DIR_B" 0 "2026-12-02 20:00,82"
add_readings "$DIR_B" 0 "2026-12-04 08:00,84"
api_a POST "/rest/db/scan?folder=$FOLDER_ID" >/dev/null
api_b POST "/rest/db/scan?folder=$FOLDER_ID" >/dev/null

step "the link resumes: Syncthing leaves a conflict copy of user0.hma on both computers"
api_a POST "/rest/system/resume?device=$ID_B" >/dev/null || fail "resuming A's link failed"
api_b POST "/rest/system/resume?device=$ID_A" >/dev/null || fail "resuming B's link failed"
until_true 60 connected "$GUI_A" "$KEY_A" "$ID_B" || fail "the link did not resume"
until_true 120 in_sync || fail "the folders did not come in sync after the link resumed"
copies=$(cd "$DIR_A" && ls | grep -c '\.sync-conflict-.*\.hma$' || true)
[ "$copies" -ge 1 ] || fail "Syncthing left no conflict copy: $(ls "$DIR_A")"
"$QD" --data-dir "$DIR_B" check >"$E2E_TMP/check-before.out" 2>&1 && fail "check found nothing to do before the merge"
assert_contains "$E2E_TMP/check-before.out" "conflict copy of user0.hma left by Syncthing"

step "quorvel-data merge on computer A takes the copy in; B receives the result"
"$QD" --data-dir "$DIR_A" merge >"$E2E_TMP/merge.out" 2>&1 || fail "merge failed: $(cat "$E2E_TMP/merge.out")"
cat "$E2E_TMP/merge.out"
until_true 120 in_sync || fail "the folders did not come in sync after the merge"

step "both folders hold every reading and both people, and nothing is left to merge"
for dir in "$DIR_A" "$DIR_B"; do
  for value in 71 72 73 82 84; do assert_contains "$dir/user0.hma" "<value>$value.000000</value>"; done
  assert_contains "$dir/user1.hma" "<value>64.000000</value>"
  assert_contains "$dir/config.hma" "<first>Margaret</first>"
  assert_contains "$dir/config.hma" "<first>Daniel</first>"
  "$QD" --data-dir "$dir" check >"$E2E_TMP/check.out" 2>&1 || fail "check after the merge: $(cat "$E2E_TMP/check.out")"
  ls "$dir" | grep -q '\.sync-conflict-.*\.hma\.old$' || fail "the merged copy was not kept as .old in $dir"
done
assert_eq "$("$QD" --data-dir "$DIR_B" users | grep -c .)" "$("$QD" --data-dir "$DIR_A" users | grep -c .)" "users on both"
echo "sync two computers: both folders hold 5 + 1 readings and 2 people"
