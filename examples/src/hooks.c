/*
 * hooks.c - a program that reaches P0 and P2 through the routines of
 * the hook entry area (hooks.h) besides a few direct accesses, the way
 * a program prepared for the emulator looks.  Built twice: with the new
 * entries (-DNEW_ENTRIES, linked with hookent_new_p0.c and
 * hookent_new_p2.c) and with the old ones (linked with hookent_old.c).
 */
#include <8051.h>
#include "hooks.h"

__code const unsigned char steps[6] = { 0x11, 0x22, 0x44, 0x88, 0x00, 0xFF };

unsigned char echo;
unsigned char lowNibble;

static void sendByte(unsigned char b)
{
    WriteP2(b ^ 0xFF);           /* no room after it: the compiler restores b */
    WriteP0(b);
    HOOK_NOP();                  /* right after the call: room for the W77X */
}

static unsigned char receiveByte(void)
{
    unsigned char v = ReadP0();
    lowNibble = ReadP2() & 0x0F;
    return v;
}

#ifdef NEW_ENTRIES
static void bitTraffic(void)
{
    SetP0_3();
    ClearP0_5();
    if (GetP0_1())
        SetP0_7();
    else
        ClearP0_0();
    SetP2_2();
    while (!GetP2_4())
        ;
    ClearP2_6();
}
#else
static void bankedTraffic(void)
{
    WriteP0RegBank(echo);
    echo = ReadP0RegBank();
    WriteP2RegBank(0x5A);
    echo ^= ReadP2RegBank();
    WriteP2(echo); HOOK_NOP();   /* call and its room on one source line */
}
#endif

/*
 * Hand-written pieces with "_qz_" entries.  qz_pulse is an ordinary
 * routine whose first instruction writes P0.  qz_skip jumps into the
 * middle of qz_lead's bytes: 75 80 | 74 ... reads as MOV P0,#74H from
 * qz_lead but as MOV A,#... from qz_tail, so a scan must realign at the
 * entry instead of taking the MOV P0 apart from the symbols.
 */
void qz_pulse(void) __naked
{
    __asm
        mov     _P0,#0x5A
        nop
        mov     _P0,#0xA5
        ret
    __endasm;
}

void qz_lead(void) __naked
{
    __asm
        .db     0x75, 0x80      ; MOV P0,#imm, immediate supplied by qz_tail
    __endasm;
}

void qz_tail(void) __naked
{
    __asm
        mov     a,#0x3C
        mov     _P2,a
        ret
    __endasm;
}

void main(void)
{
    unsigned char i;

    P2_0 = 1;                    /* direct access stays possible */
    for (i = 0;; ++i) {
        sendByte(steps[i % 6]);
        echo = receiveByte();
#ifdef NEW_ENTRIES
        bitTraffic();
#else
        bankedTraffic();
#endif
        if (P0_2)
            P2 = echo;
        qz_pulse();
        qz_tail();
    }
}
