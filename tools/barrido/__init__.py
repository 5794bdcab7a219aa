"""The sweep: runs the suite's programs over a series of sizes and turns
their report lines into an efficiency study.

Sub-packages, one layer each; a layer imports only the layers listed
before it:

- datos: what a study is made of (the study, the programs, the sizes, the
  candidate bounds, the failures reported as messages).
- medir: running the programs (one invocation, the rounds and the budget,
  the progress line).
- estadistica: the fits, verdicts, intervals and the theoretical model.
- analisis: everything concluded from a study, computed once; several
  programs side by side; two studies against each other.
- escritura: the tables, TSV files, plots, record, report and the files of
  a study.
- ordenes: the command line (`tools/sweep` and `tools/sweep compare`), its
  options, signals and standard streams.
"""
