# Sourced by the measurements here: a fresh folder WORK with the simulated station (speed 60, seed 7, kept
# in a state file) and a broker on MQTT_PORT in Nimbrel.ini, mosquitto.conf for that broker, and the
# program's state folder inside WORK. Sets `here`, `cli`, `work` and `mqtt_port`; the caller adds its own
# sections to data/Nimbrel.ini.
here=$(cd "$(dirname "${BASH_SOURCE[1]}")" && pwd)
cli=${NIMBREL_CLI:-$here/../../build/bin/nimbrel-cli}
work=$1
mqtt_port=${MQTT_PORT:-18830}
rm -rf "$work"; mkdir -p "$work/data" "$work/state"; cd "$work"
printf '[communication]\nUsbLibrary=libnimbrel-sim.so\n[mqtt]\nhost=127.0.0.1\nport=%s\n' "$mqtt_port" > data/Nimbrel.ini
printf 'listener %s 127.0.0.1\nallow_anonymous true\npersistence false\nlog_dest none\n' "$mqtt_port" > mosquitto.conf
export XDG_STATE_HOME=$work/state NIMBREL_SIM_SPEED=60 NIMBREL_SIM_SEED=7 NIMBREL_SIM_STATE=$work/sim.state \
       NIMBREL_SIM_CONTROL=$work/sim.control
