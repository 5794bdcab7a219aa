"""The command line: `tools/sweep` and `tools/sweep compare`, their options, the signals that stop a sweep and the standard streams."""
