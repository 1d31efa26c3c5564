/*
 * hookent_new_p2.c - the P2 half of the new hook entries, one byte per
 * entry.  The emulator board answers a call of any of them; the RET in
 * each only keeps its address (and lets the program run without the
 * board).  The P0 group is placed at 0FFA0H and the P2 group at 0FFC0H
 * by the linker (see build.sh); the order here is the address order.
 */

#pragma disable_warning 85      /* the board takes the argument, not the stub */

/* No hooks.h here: its extern declarations would hide these definitions
   from the debug symbols that the OMF file is made of. */


void ClearP2_0(void) __naked { __asm ret __endasm; }  /* 0FFC0H + bit */
void ClearP2_1(void) __naked { __asm ret __endasm; }
void ClearP2_2(void) __naked { __asm ret __endasm; }
void ClearP2_3(void) __naked { __asm ret __endasm; }
void ClearP2_4(void) __naked { __asm ret __endasm; }
void ClearP2_5(void) __naked { __asm ret __endasm; }
void ClearP2_6(void) __naked { __asm ret __endasm; }
void ClearP2_7(void) __naked { __asm ret __endasm; }
void SetP2_0(void) __naked { __asm ret __endasm; }  /* 0FFC8H + bit */
void SetP2_1(void) __naked { __asm ret __endasm; }
void SetP2_2(void) __naked { __asm ret __endasm; }
void SetP2_3(void) __naked { __asm ret __endasm; }
void SetP2_4(void) __naked { __asm ret __endasm; }
void SetP2_5(void) __naked { __asm ret __endasm; }
void SetP2_6(void) __naked { __asm ret __endasm; }
void SetP2_7(void) __naked { __asm ret __endasm; }
__bit GetP2_0(void) __naked { __asm ret __endasm; }  /* 0FFD0H + bit: P2.bit into C */
__bit GetP2_1(void) __naked { __asm ret __endasm; }
__bit GetP2_2(void) __naked { __asm ret __endasm; }
__bit GetP2_3(void) __naked { __asm ret __endasm; }
__bit GetP2_4(void) __naked { __asm ret __endasm; }
__bit GetP2_5(void) __naked { __asm ret __endasm; }
__bit GetP2_6(void) __naked { __asm ret __endasm; }
__bit GetP2_7(void) __naked { __asm ret __endasm; }
void WriteP2(unsigned char value) __naked { __asm ret __endasm; }  /* 0FFD8H */
unsigned char ReadP2(void) __naked { __asm ret __endasm; }  /* 0FFD9H */
