torva_test(protocol_tests protocol/protocol_tests.cpp)
