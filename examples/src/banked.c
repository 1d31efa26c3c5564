/* banked.c - a program whose second function lives in code bank 1, for
   SDCC's banked link: the Intel HEX file places it with an extended
   linear address record at 0x18000, the loader's test of bank-exact HEX
   loading.  The bank port is PSBANK (0xB1); the trampolines switch it. */

__sfr __at(0xB1) PSBANK;

int far_twice(int x) __banked;

volatile int result;

/* The banked call: R2:R1:R0 hold the bank and the address of the callee. */
void __sdcc_banked_call(void) __naked {
    __asm
        push    _PSBANK
        mov     a, r2
        mov     _PSBANK, a
        push    ar0
        push    ar1
        ret
    __endasm;
}

void __sdcc_banked_ret(void) __naked {
    __asm
        pop     _PSBANK
        ret
    __endasm;
}

void main(void) {
    for (;;) result = far_twice(result + 1);
}
