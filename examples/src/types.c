/* Data of every kind SDCC describes in its debug file: structures, a union,
   bit fields, arrays, pointers into each memory, register, paged and bit
   variables, a static function and a call into a second module. */
struct point {
    int x;
    unsigned char y;
};

struct shape {
    struct point corner[2];
    long area;
    float ratio;
};

union word {
    unsigned int w;
    unsigned char b[2];
};

struct flags {
    unsigned char on : 1;
    unsigned char mode : 3;
};

__xdata struct shape box;
__xdata union word wv;
__data struct flags fl;
__pdata unsigned char pbyte;
__idata unsigned int iword;
__bit ready;
__xdata unsigned char grid[3][4];
__code const unsigned char table[4] = {1, 2, 4, 8};

__code const unsigned char *__data cptr;
__xdata unsigned char *__data xptr;
__data unsigned char *__data dptr;
__idata unsigned char *__data iptr;
__pdata unsigned char *__data pptr;
unsigned char *__data gptr;

static unsigned int counter;

extern unsigned char helper(unsigned char v, __xdata struct point *p);

static void tick(void)
{
    counter++;
    ready = !ready;
}

void main(void)
{
    register unsigned char i;
    cptr = table;
    xptr = &grid[1][2];
    dptr = (__data unsigned char *)&fl;
    iptr = (__idata unsigned char *)&iword;
    pptr = &pbyte;
    gptr = &wv.b[1];
    for (;;) {
        for (i = 0; i < 4; i++) {
            box.corner[i & 1].y = helper(table[i], &box.corner[0]);
            grid[i % 3][i] = *cptr + *xptr;
        }
        box.area += box.corner[1].x;
        box.ratio = box.area / 2.0f;
        wv.w = counter;
        fl.mode = wv.b[0];
        fl.on = ready;
        iword += *gptr + *pptr + *dptr + *iptr;
        tick();
    }
}
