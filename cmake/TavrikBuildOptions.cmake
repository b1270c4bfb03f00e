# Build options of the tavrik executable (link mode and the like).
