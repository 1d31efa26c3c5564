/* banked_far.c - the function of banked.c that lives in code bank 1. */

int far_twice(int x) __banked {
    return x + x;
}
