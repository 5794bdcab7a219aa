"""The wording: the Spanish of the tables, the summary, the report and
resumen.tsv, made from the values the statistics and the analysis
conclude. Nothing below this layer writes a sentence for a person."""
