#!/bin/bash
# An hour of outage over the simulator at speed 60: nimbrel-cli log with a mosquitto broker and a small
# HTTP server as the weather network; both are stopped for one simulated hour (a real minute), then
# brought back. With RESTART=S the logger is stopped (SIGTERM) and started again S seconds after their
# return, in the middle of the catch-up. check_outage.py then says whether every record stored during the
# outage reached both, once, in order, with its own time. Needs mosquitto, mosquitto_sub
# (mosquitto-clients) and python3. Usage: bench/outputs/outage.sh [WORK_FOLDER]
set -u
here=$(cd "$(dirname "$0")" && pwd)
cli=${NIMBREL_CLI:-$here/../../build/bin/nimbrel-cli}
work=${1:-/tmp/nimbrel-outage}
mqtt_port=${MQTT_PORT:-18830} http_port=${HTTP_PORT:-18080}
rm -rf "$work"; mkdir -p "$work/data" "$work/state"; cd "$work"
cat > data/Nimbrel.ini <<INI
[communication]
UsbLibrary=libnimbrel-sim.so
[mqtt]
host=127.0.0.1
port=$mqtt_port
[upload]
url=http://127.0.0.1:$http_port/wx
id=K1
password=pw
interval=60
INI
chmod o-r data/Nimbrel.ini
printf 'listener %s 127.0.0.1\nallow_anonymous true\npersistence false\nlog_dest none\n' "$mqtt_port" > mosquitto.conf
export XDG_STATE_HOME=$work/state NIMBREL_SIM_SPEED=60 NIMBREL_SIM_SEED=7 NIMBREL_SIM_STATE=$work/sim.state \
       NIMBREL_SIM_CONTROL=$work/sim.control
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
