// The race-data generator lives here.
