# The concurrency test also runs in the ThreadSanitizer configuration.
set(NORVA_TEST_LABELS tsan)
