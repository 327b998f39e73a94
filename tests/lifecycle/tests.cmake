torva_test(lifecycle_tests lifecycle/lifecycle_tests.cpp)
