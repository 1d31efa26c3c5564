/* A float that SDCC stores least significant byte first, and a long that it
   keeps in registers inside work() only: the watches read and write the
   float, the program reads back what they wrote, and the long has no place
   outside work() (see tests/host/command_host_test.cpp). */
#include <8051.h>

volatile unsigned char k;
float f;
volatile unsigned char same;
volatile int twice;
volatile long result;

long work(unsigned char n)
{
    long v = n;
    v = v * 0x1234 + n;
    P1 = v;
    return v ^ (v >> 8);
}

void main(void)
{
    k = 255;
    f = (float)k * 1.5f + 0.25f;
    P1 = 0;
    same = f == 2.5f;
    twice = (int)(f * 2.0f);
    result = work(k);
    for (;;)
        ;
}
