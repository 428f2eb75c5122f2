// The controller simulator (being written).
