/* The second module of the types example: its own struct point. */
struct point {
    unsigned char x;
    unsigned char y;
};

unsigned char helper(unsigned char v, __xdata struct point *p)
{
    p->x = v;
    return p->x + p->y;
}
