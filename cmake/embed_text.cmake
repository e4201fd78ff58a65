# Writes the text file IN into the C++ source OUT as one string constant.
file(READ ${IN} content)
file(WRITE ${OUT} "// Generated from ${IN}; edit that file instead.\n")
file(APPEND ${OUT} "namespace nimbrel { extern const char* const kStringsTsv; const char* const kStringsTsv = R\"nimbrel_tsv(${content})nimbrel_tsv\"; }\n")
