/*
 * ports.c - port P0 and P2 traffic as SDCC compiles it for a small 8051
 * board: a LED bar on P0, a row strobe and status lines on P2, a timer
 * interrupt that blinks P2.7, and a pattern table in code memory.
 *
 * The program never needs to run on hardware; it is input for the
 * checkers and the driver's loaders, so every way compiled code reaches
 * P0 and P2 should appear at least once.
 */
#include <8051.h>

#define LED_BUS   P0
#define ROW_PORT  P2
#define BUSY_LINE P2_3
#define STROBE    P2_4
#define BLINK     P2_7

/* Patterns live in code memory and reach P0 through MOVC. */
__code const unsigned char patterns[8] = {
    0x01, 0x03, 0x07, 0x0F, 0x1F, 0x3F, 0x7F, 0xFF
};

__code const unsigned char rowSelect[4] = { 0xFE, 0xFD, 0xFB, 0xF7 };

volatile unsigned char ticks;
volatile __bit blinkEnabled;
unsigned char lastInput;

/* Timer 0 overflow: blink and count.  Uses register bank 1. */
void timer0Isr(void) __interrupt(1) __using(1)
{
    TH0 = 0xFC;
    TL0 = 0x18;
    ++ticks;
    if (blinkEnabled)
        BLINK = !BLINK;          /* CPL P2.7 */
}

static void delay(unsigned char n)
{
    unsigned char t;
    while (n--) {
        t = ticks;
        while (t == ticks)
            ;
    }
}

/* Whole-byte writes: constants, variables and table values. */
static void showPattern(unsigned char i)
{
    LED_BUS = patterns[i & 7];   /* MOVC, then MOV P0,A */
}

static void selectRow(unsigned char row)
{
    ROW_PORT = rowSelect[row & 3];
}

/* Whole-byte reads, into the accumulator and into memory. */
static unsigned char readInputs(void)
{
    unsigned char v;
    LED_BUS = 0xFF;              /* MOV P0,#0FFH: release the lines */
    v = LED_BUS;                 /* straight into the return register */
    lastInput = P2;              /* MOV dir,P2 */
    return v;
}

/* Read-modify-write on the whole port. */
static void adjustPorts(unsigned char mask)
{
    P2 |= 0x10;                  /* ORL P2,#10H */
    P0 &= ~1;                    /* ANL P0,#0FEH */
    P0 ^= 0x55;                  /* XRL P0,#55H */
    P2 &= 0xF0;                  /* ANL P2,#0F0H */
    P0 |= mask;                  /* ORL P0,A */
    P2 ^= mask;                  /* XRL P2,A */
    P0++;                        /* through A: MOV A,P0 ... MOV P0,A */
    P2--;
}

/* Single bits: set, clear, test, copy through the carry. */
static void handshake(void)
{
    STROBE = 1;                  /* SETB P2.4 */
    P0_0 = 0;                    /* CLR P0.0 */
    while (BUSY_LINE)            /* JB P2.3,rel */
        ;
    if (!P0_7)                   /* JB P0.7,rel around the SETB */
        P0_6 = 1;
    P2_2 = P0_1;                 /* MOV C,P0.1; MOV P2.2,C */
    P0_5 = !P0_5;                /* CPL P0.5 */
    STROBE = 0;                  /* CLR P2.4 */
}

static unsigned char countHigh(void)
{
    unsigned char n = 0;
    if (P2_0) ++n;
    if (P2_1 && P0_2) ++n;       /* JNB P2.1 / JNB P0.2 */
    if (P0_3 || P0_4) ++n;
    return n;
}

void main(void)
{
    unsigned char i = 0;

    LED_BUS = 0;                 /* MOV P0,#0 */
    ROW_PORT = 0xFF;

    TMOD = 0x01;
    TH0 = 0xFC;
    TL0 = 0x18;
    ET0 = 1;
    EA = 1;
    TR0 = 1;
    blinkEnabled = 1;

    for (;;) {
        selectRow(i);
        showPattern(i);
        handshake();
        adjustPorts(readInputs());
        if (countHigh() > 1)
            LED_BUS = lastInput;     /* write from memory */
        delay(2);
        ++i;
    }
}
