"""The command line: `tools/sweep` and `tools/sweep compare`, their options and the signals that stop a sweep."""
