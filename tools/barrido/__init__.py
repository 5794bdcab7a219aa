"""The sweep: runs the suite's programs over a series of sizes and turns
their report lines into an efficiency study.

One concern a module, dependencies running one way (the command line uses
the study; the study uses measurement, statistics and the writers):

- cli, opciones, argumentos: the command line, its options, argparse in
  Spanish with one-line errors; senales: the signals that stop a sweep;
  salida: a standard output or error that closes under it.
- medicion: the order of the invocations (rounds, the budget that looks
  ahead); ejecucion: one invocation, its line and its values; progreso:
  progress.
- estudio: what one program's study measured (the model's data);
  analisis: everything concluded from it, computed once; juntos: several
  programs side by side, concluded once; contraste: two studies of a
  program against each other.
- ajuste (the growth fit and the ratio trends), veredicto (the verdict on
  times), conteo (the verdict on counts, the time per operation), modelo
  (the theoretical cost), incertidumbre (the bootstrap, intervals): the
  statistics the analysis uses. No writer imports them.
- tallas, cotas, programas: the sizes, the candidate bounds and the table
  of programs the command line names.
- tabla, tabla_juntos, tsv (which also reads a saved study back),
  graficas/ (one module a plot), registro, informe, ficheros: the writers
  of the tables, TSV files, plots, record and report.
- comparacion: `tools/sweep compare`, two saved studies side by side.
"""
