"""The sweep: runs the suite's programs over a series of sizes and turns
their report lines into an efficiency study.

Sub-packages, one layer each. tests/barrido/test_capas.py holds the table
of which may import which, and fails on any other import or on a circle;
docs/capas.md explains it.

- datos: the model of a study, importing nothing else of the package: the
  study and its points, the programs, the sizes, the candidate bounds, the
  machine's description (processor, compiler and flags, caches) and the
  failures reported as messages.
- estadistica: the fits, the verdict on the times, the growth of the
  counts, the bootstrap and its intervals, the theoretical model, the time
  per operation and its steps. Values only, on the model's types.
- medir: running the programs (one invocation, the rounds and the budget
  that looks ahead with a fit of the durations, the progress line and the
  standard streams).
- analisis: everything concluded from a study, computed once and held as
  values; several programs side by side; the kinds of input of a program;
  two studies, and two records, against each other.
- redaccion: the wording; the Spanish of every conclusion, for the tables,
  the summary, the report and resumen.tsv.
- escritura: the writers, which only format: tables, TSV files, the
  summary, plots, the record, the report and the files of a study.
- ordenes: the command line (`tools/sweep` and `tools/sweep compare`), its
  options and the signals that stop a sweep.
"""
