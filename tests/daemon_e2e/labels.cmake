set(NORVA_TEST_LABELS process)
