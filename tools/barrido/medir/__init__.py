"""Running the programs: one invocation and its values, the rounds and the budget that looks ahead, the progress line and the standard streams it writes to."""
