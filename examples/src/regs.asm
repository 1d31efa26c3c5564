; regs.asm - sets every register of the debugger's register view and every
; SFR the simulator's core models, in all four register banks, with a NOP at
; each stop for a breakpoint.  The register test (tests/e2e/register_oracle.py)
; runs it to the stops and compares the driver's registers with the core's;
; keep the stops' labels (the test reads their addresses from regs.lst).
; EA stays clear: no interrupt is taken.

	.org	0x0000
reset:	ljmp	main

	.org	0x0100
main:	mov	sp, #0x5F
	mov	b, #0xB7
	mov	dptr, #0x1234
	mov	r0, #0x10
	mov	r1, #0x11
	mov	r2, #0x12
	mov	r3, #0x13
	mov	r4, #0x14
	mov	r5, #0x15
	mov	r6, #0x16
	mov	r7, #0x17
	mov	a, #0xA5
	mov	psw, #0x42		; AC and F1, bank 0
stop1:	nop

	mov	psw, #0x10		; bank 2
	mov	r0, #0x20
	mov	r1, #0x21
	mov	r2, #0x22
	mov	r3, #0x23
	mov	r4, #0x24
	mov	r5, #0x25
	mov	r6, #0x26
	mov	r7, #0x27
	mov	tmod, #0x21		; timer 0 16 bits, timer 1 auto-reload
	mov	th0, #0x9A
	mov	tl0, #0x34
	mov	th1, #0xF3
	mov	tl1, #0xF0
	mov	tcon, #0x50		; both timers run
	mov	scon, #0x52
	mov	ie, #0x1A		; sources enabled, EA clear
	mov	ip, #0x15
	mov	pcon, #0x8C		; SMOD and the general flags
	mov	p1, #0x5A
	mov	p3, #0xC3
	mov	p0, #0x3C
	mov	p2, #0xC3
	mov	a, #0x7E
stop2:	nop

	setb	psw.3			; bank 3
	mov	r0, #0x30
	mov	r1, #0x31
	mov	r2, #0x32
	mov	r3, #0x33
	mov	r4, #0x34
	mov	r5, #0x35
	mov	r6, #0x36
	mov	r7, #0x37
	clr	psw.4			; bank 1
	mov	r0, #0x08
	mov	r1, #0x09
	mov	r2, #0x0A
	mov	r3, #0x0B
	mov	r4, #0x0C
	mov	r5, #0x0D
	mov	r6, #0x0E
	mov	r7, #0x0F
	mov	dptr, #0xBEEF
	push	b
	mov	a, #0x81
	setb	c
	orl	psw, #0x26		; F0, OV, F1
stop3:	nop

	mov	r7, #3
loop:	djnz	r7, loop		; a breakpoint here halts each time round
	mov	a, #0xC6
	mov	b, #0x3D
	clr	c
	anl	psw, #0xE7		; bank 0
stop4:	nop
	nop
	nop
done:	sjmp	done
