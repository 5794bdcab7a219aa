"""What a study is made of: the study and its points, the table of programs, the sizes, the candidate bounds and the failures reported as messages."""
