// placeholder: the windows' entry point
int main() { return 0; }
