#!/bin/sh
# An alert command: one line per run into $ALERT_LOG.
echo "$NIMBREL_ALERT $NIMBREL_STATE value=$NIMBREL_VALUE threshold=$NIMBREL_THRESHOLD unit=$NIMBREL_UNIT time=$NIMBREL_TIME" >> "$ALERT_LOG"
