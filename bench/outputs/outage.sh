#!/bin/bash
# An hour of outage over the simulator at speed 60: nimbrel-cli log with a mosquitto broker and a small
# HTTP server as the weather network; both are stopped for one simulated hour (a real minute), then
# brought back. With RESTART=S the logger is stopped (SIGTERM) and started again S seconds after their
# return, in the middle of the catch-up. check_outage.py then says whether every record stored during the
# outage reached both, once, in order, with its own time. Needs mosquitto, mosquitto_sub
# (mosquitto-clients) and python3. Usage: bench/outputs/outage.sh [WORK_FOLDER]
set -u
source "$(dirname "$0")/common.sh" "${1:-/tmp/nimbrel-outage}"
http_port=${HTTP_PORT:-18080}
cat >> data/Nimbrel.ini <<INI
[upload]
url=http://127.0.0.1:$http_port/wx
id=K1
password=pw
interval=60
INI
chmod o-r data/Nimbrel.ini
outputs_up() {
  mosquitto -c mosquitto.conf & echo $! > mosquitto.pid
  python3 "$here/http_success.py" "$http_port" requests.log & echo $! > http.pid
  sleep 0.5
  mosquitto_sub -h 127.0.0.1 -p "$mqtt_port" -q 1 -t nimbrel/record -t nimbrel/state -F '%U %t %p' >> broker.log &
  echo $! > sub.pid
}
outputs_down() { kill "$(cat sub.pid)" "$(cat http.pid)" "$(cat mosquitto.pid)"; }
logger() { "$cli" log --dir "$work/data" >> log.out 2>&1 & echo $! > log.pid; }
outputs_up; logger
until grep -q "Total Records" log.out; do sleep 1; done  # the first download
sleep 45
wc -l < data/Nimbrel.dat > before.count; echo "outage from $(date +%T), $(cat before.count) records stored"
outputs_down; sleep 60
wc -l < data/Nimbrel.dat > after.count; date +%s > back.time; echo "back at $(date +%T), $(cat after.count) records stored"
outputs_up
if [ -n "${RESTART:-}" ]; then
  sleep "$RESTART"; echo "restart at $(date +%T)"; kill -TERM "$(cat log.pid)"; sleep 1.5; logger
fi
sleep 120
kill "$(cat log.pid)"; sleep 2; outputs_down
python3 "$here/check_outage.py" "$work"
