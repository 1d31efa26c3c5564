/* bigtable.c - a code table of 10,000 bytes and a loop that sums it, for
   SDCC.  Its OMF file carries the table in one content record far longer
   than the loader's buffer.  The values count up from 1 (modulo 256). */

#define B(n) (unsigned char)((n) + 1)
#define T4(n) B(n), B((n) + 1), B((n) + 2), B((n) + 3)
#define T20(n) T4(n), T4((n) + 4), T4((n) + 8), T4((n) + 12), T4((n) + 16)
#define T100(n) T20(n), T20((n) + 20), T20((n) + 40), T20((n) + 60), T20((n) + 80)
#define T500(n) T100(n), T100((n) + 100), T100((n) + 200), T100((n) + 300), T100((n) + 400)
#define T2500(n) T500(n), T500((n) + 500), T500((n) + 1000), T500((n) + 1500), T500((n) + 2000)

__code const unsigned char table[10000] = {T2500(0), T2500(2500), T2500(5000), T2500(7500)};

volatile unsigned int sum;

void main(void) {
    unsigned int i;
    for (;;) {
        unsigned int s = 0;
        for (i = 0; i < sizeof table; ++i) s += table[i];
        sum = s;
    }
}
