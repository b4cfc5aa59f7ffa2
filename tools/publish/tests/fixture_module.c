/* The smallest program that links: a body for the PE fixtures the publisher reads. */
int main(void) { return 0; }
