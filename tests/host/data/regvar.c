/* A local that SDCC keeps in two registers ([r6,r7], low byte in r6): the
   watches read it at the line that uses it (see command_host_test.cpp). */
#include <8051.h>
unsigned char a;
volatile unsigned int out;

void main(void)
{
    unsigned int x;
    a = P1;
    x = a * 3u + 0x1234u;
    out = x;
    P2 = x >> 8;
    P0 = x;
    for (;;)
        ;
}
