// The analysis subsystem: result sheets, statistics, runs.
