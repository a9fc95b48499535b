# What `cmake --graphviz` draws of this project (scripts/architecture-graph.sh
# turns it into docs/architecture.svg): the project's own libraries and
# programs only. Qt and the system's libraries are left out, and so are the
# drivers that only make the README's pictures; tests, benchmarks and fuzz
# targets are not configured by the script at all.
set(GRAPHVIZ_GRAPH_NAME "SubstitutionCiphers")
# Left to right: the programs on the left, the cipher library they all rest
# on at the right.
set(GRAPHVIZ_GRAPH_HEADER "rankdir = \"LR\"; node [ fontsize = \"12\", fontname = \"Liberation Sans, DejaVu Sans, sans-serif\" ];")
set(GRAPHVIZ_EXTERNAL_LIBS FALSE)
set(GRAPHVIZ_IGNORE_TARGETS "^windowtour$" "^labtour$" "^threekeychart$")
set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)
set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)
