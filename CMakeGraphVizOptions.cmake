# Read by `cmake --graphviz=<file>`: the graph of the project's own libraries
# and programs, without Qt, the tests and the packaging targets.
# docs/architecture.md shows the result.
set(GRAPHVIZ_EXTERNAL_LIBS FALSE)
set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)
set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)
set(GRAPHVIZ_IGNORE_TARGETS "^test_" "bench" "quarn_test_helpers" "quarn-icons" "quarn-changelog")
