"""The statistics of a study: the growth fit, the verdicts, the bootstrap and its intervals, the theoretical model, the steps in the time per operation."""
