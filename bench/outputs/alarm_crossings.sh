#!/bin/bash
# An alarm crossed and uncrossed three times over the simulator (speed 60): nimbrel-cli log with a desktop
# notification service on a private session bus, an MQTT broker and a command; the station's Indoor
# Temperature High threshold is moved below and above the indoor temperature by nimbrel-cli alarms, as a
# user would. Prints what reached each place. Needs mosquitto, mosquitto_sub, dbus-run-session and
# /usr/bin/python3 with python3-dbus and python3-gi. Usage: bench/outputs/alarm_crossings.sh [WORK_FOLDER]
set -u
source "$(dirname "$0")/common.sh" "${1:-/tmp/nimbrel-alarm}"
cat >> data/Nimbrel.ini <<INI
[alerts]
notify=on
command=$here/alert_log.sh
INI
export ALERT_LOG=$work/command.log
threshold() { "$cli" alarms --dir "$work/data" "Indoor Temperature High=$1" >> alarms.out 2>&1; }
"$cli" setup --dir data "Alarm enable Indoor Temperature High=on" > setup.out 2>&1 || { cat setup.out; exit 1; }
threshold 28
mosquitto -c mosquitto.conf & broker=$!
sleep 0.5
mosquitto_sub -h 127.0.0.1 -p "$mqtt_port" -t 'nimbrel/alert/#' -F '%t %p' > mqtt.log & sub=$!
export cli work
export -f threshold
dbus-run-session -- bash -c '
  /usr/bin/python3 '"$here"'/notify_service.py "$work/desktop.log" & sleep 1
  "$cli" log --dir "$work/data" > log.out 2>&1 & logger=$!
  until grep -q "Total Records" log.out; do sleep 1; done; sleep 20
  for i in 1 2 3; do threshold 15; sleep 35; threshold 28; sleep 35; done
  kill $logger; wait $logger' 2> /dev/null
kill $sub $broker
echo "desktop:"; grep "Indoor Temperature High" desktop.log | cut -d' ' -f2-
echo "MQTT:"; grep indoor_temperature_high mqtt.log
echo "command:"; grep indoor_temperature_high command.log
