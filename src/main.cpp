// norva-delosd: the network-audio controller daemon.
int norva_delos_main(int argc, char **argv);

int main(int argc, char **argv) { return norva_delos_main(argc, argv); }
