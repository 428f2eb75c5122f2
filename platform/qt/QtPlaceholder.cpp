// The Qt adapters (being written).
