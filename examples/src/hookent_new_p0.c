/*
 * hookent_new_p0.c - the P0 half of the new hook entries, one byte per
 * entry.  The emulator board answers a call of any of them; the RET in
 * each only keeps its address (and lets the program run without the
 * board).  The P0 group is placed at 0FFA0H and the P2 group at 0FFC0H
 * by the linker (see build.sh); the order here is the address order.
 */

#pragma disable_warning 85      /* the board takes the argument, not the stub */

/* No hooks.h here: its extern declarations would hide these definitions
   from the debug symbols that the OMF file is made of. */


void ClearP0_0(void) __naked { __asm ret __endasm; }  /* 0FFA0H + bit */
void ClearP0_1(void) __naked { __asm ret __endasm; }
void ClearP0_2(void) __naked { __asm ret __endasm; }
void ClearP0_3(void) __naked { __asm ret __endasm; }
void ClearP0_4(void) __naked { __asm ret __endasm; }
void ClearP0_5(void) __naked { __asm ret __endasm; }
void ClearP0_6(void) __naked { __asm ret __endasm; }
void ClearP0_7(void) __naked { __asm ret __endasm; }
void SetP0_0(void) __naked { __asm ret __endasm; }  /* 0FFA8H + bit */
void SetP0_1(void) __naked { __asm ret __endasm; }
void SetP0_2(void) __naked { __asm ret __endasm; }
void SetP0_3(void) __naked { __asm ret __endasm; }
void SetP0_4(void) __naked { __asm ret __endasm; }
void SetP0_5(void) __naked { __asm ret __endasm; }
void SetP0_6(void) __naked { __asm ret __endasm; }
void SetP0_7(void) __naked { __asm ret __endasm; }
__bit GetP0_0(void) __naked { __asm ret __endasm; }  /* 0FFB0H + bit: P0.bit into C */
__bit GetP0_1(void) __naked { __asm ret __endasm; }
__bit GetP0_2(void) __naked { __asm ret __endasm; }
__bit GetP0_3(void) __naked { __asm ret __endasm; }
__bit GetP0_4(void) __naked { __asm ret __endasm; }
__bit GetP0_5(void) __naked { __asm ret __endasm; }
__bit GetP0_6(void) __naked { __asm ret __endasm; }
__bit GetP0_7(void) __naked { __asm ret __endasm; }
void WriteP0(unsigned char value) __naked { __asm ret __endasm; }  /* 0FFB8H: value in R7 */
unsigned char ReadP0(void) __naked { __asm ret __endasm; }  /* 0FFB9H: value back in R7 */
