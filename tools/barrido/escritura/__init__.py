"""The writers: tables, TSV files, plots, the record, the report and the files of a study. They format what the analysis concluded."""
