/* The floor of a process start: a program that does nothing. */
int main(void) {
    return 0;
}
