"""The sweep: runs the suite's programs over a series of sizes and turns
their report lines into an efficiency study.

One concern a module, dependencies running one way:

- cli: the command line; uses the study and the writers.
- estudio: the points of one program's study and what is fitted from them.
- medicion: the order of the invocations over sizes and configurations.
- ejecucion: one invocation of a program and its report line.
- ajuste: the least-squares fit of the growth and the ratio trends.
- tallas, cotas, programas: the sizes, the candidate bounds and the table
  of programs the command line names.
- tabla, tsv, grafica: the writers of the table with its verdict, the TSV
  file and the gnuplot plot; ficheros puts files in the output directory;
  progreso reports progress on standard error.
"""
