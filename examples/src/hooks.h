/*
 * hooks.h - port access routines in the hook entry area at the top of
 * code memory.  The emulator board carries out a call of these entries
 * for the program, so code that must not touch P0/P2 directly (a bus
 * shared with the emulator) calls them instead.  The new entries lie at
 * 0FFA0H..0FFD9H (hookent_new_p0.c, hookent_new_p2.c), the old ones at
 * 0FFF4H..0FFFBH (hookent_old.c, byte access only).  The checkers look
 * at the call bytes only, so SDCC's own argument registers do here.
 */
#ifndef HOOKS_H
#define HOOKS_H

void WriteP0(unsigned char value);
unsigned char ReadP0(void);
void WriteP2(unsigned char value);
unsigned char ReadP2(void);

#ifdef NEW_ENTRIES
void ClearP0_0(void); void ClearP0_1(void); void ClearP0_2(void); void ClearP0_3(void);
void ClearP0_4(void); void ClearP0_5(void); void ClearP0_6(void); void ClearP0_7(void);
void SetP0_0(void); void SetP0_1(void); void SetP0_2(void); void SetP0_3(void);
void SetP0_4(void); void SetP0_5(void); void SetP0_6(void); void SetP0_7(void);
__bit GetP0_0(void); __bit GetP0_1(void); __bit GetP0_2(void); __bit GetP0_3(void);
__bit GetP0_4(void); __bit GetP0_5(void); __bit GetP0_6(void); __bit GetP0_7(void);
void ClearP2_0(void); void ClearP2_1(void); void ClearP2_2(void); void ClearP2_3(void);
void ClearP2_4(void); void ClearP2_5(void); void ClearP2_6(void); void ClearP2_7(void);
void SetP2_0(void); void SetP2_1(void); void SetP2_2(void); void SetP2_3(void);
void SetP2_4(void); void SetP2_5(void); void SetP2_6(void); void SetP2_7(void);
__bit GetP2_0(void); __bit GetP2_1(void); __bit GetP2_2(void); __bit GetP2_3(void);
__bit GetP2_4(void); __bit GetP2_5(void); __bit GetP2_6(void); __bit GetP2_7(void);
#else
void WriteP0RegBank(unsigned char value);
unsigned char ReadP0RegBank(void);
void WriteP2RegBank(unsigned char value);
unsigned char ReadP2RegBank(void);
#endif

/* The W77X and TIMSC boards need one instruction of room after a call. */
#define HOOK_NOP() __asm nop __endasm

#endif
