"""What a study is made of, importing nothing else of the package: the study
and its points, its store (estudio.json, almacen.py) and the reader of the
TSVs saved before it, the tables of programs and of measures, the sizes, the
candidate bounds, the machine's description (maquina) and the failures
reported as messages."""
