"""Everything concluded from a study, computed once: one program, several side by side, two studies of a program against each other, the kinds of input."""
