/*
 * hookent_old.c - the hook entry area with the old entries at 0FFF4H:
 * byte access only, through a register bank and plain.  ReadP0 at
 * 0FFF9H is what marks a program built for these entries.
 */

#pragma disable_warning 85      /* the board takes the argument, not the stub */

/* No hooks.h here: its extern declarations would hide these definitions
   from the debug symbols that the OMF file is made of. */


void WriteP0RegBank(unsigned char value) __naked { __asm ret __endasm; }  /* 0FFF4H */
unsigned char ReadP0RegBank(void) __naked { __asm ret __endasm; }
void WriteP2RegBank(unsigned char value) __naked { __asm ret __endasm; }
unsigned char ReadP2RegBank(void) __naked { __asm ret __endasm; }
void WriteP0(unsigned char value) __naked { __asm ret __endasm; }  /* 0FFF8H */
unsigned char ReadP0(void) __naked { __asm ret __endasm; }  /* 0FFF9H */
void WriteP2(unsigned char value) __naked { __asm ret __endasm; }  /* 0FFFAH */
unsigned char ReadP2(void) __naked { __asm ret __endasm; }  /* 0FFFBH */
