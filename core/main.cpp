// Placeholder until the application object lands.
int main() { return 0; }
