; avrnop.asm - a few AVR instructions for avra, whose Intel HEX output
; starts with an extended segment address record of 0 and ends its lines
; with CR LF: input for the loader's HEX reader.
.org 0x0020
start:
	nop
	ldi r16, 0x12
	rjmp start
