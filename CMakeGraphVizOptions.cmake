# `cmake --graphviz=layers.dot build`: the programs and the layer libraries only.
set(GRAPHVIZ_EXTERNAL_LIBS FALSE)
set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)
set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)
set(GRAPHVIZ_IGNORE_TARGETS "tests" "_tests$" "^bench_" "^fuzz_" "test_support")
