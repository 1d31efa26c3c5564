; opcodes.asm - executes every defined 8051 opcode at least once, for
; as31.  The simulator's CPU core is compared with s51 on it step by step
; (tests/e2e/cpu_oracle.py), so the operands are chosen to reach the flag
; edges: carry and auxiliary carry in and out, overflow of ADD, ADDC and
; SUBB both ways, DA A after additions with and without carry, MUL and DIV
; with a division by zero, conditional jumps taken and not taken, bits in
; RAM and in SFRs, all four register banks.  The undefined opcode 0A5H is
; spelt as a byte.  AJMP and ACALL have one opcode per 256-byte page of
; their 2 KB block: a chain of stubs in the first block (0000H-07FFH) uses
; all sixteen; the main code lives in the second block.  A last part runs
; the timers in every mode, a counter, GATE and the interrupts (two
; priority levels, edge and level inputs driven through the port 3 latch,
; the serial flags set by software).  It ends in a self-jump.  as31 has no "$": a conditional jump whose outcome only the
; flags matter for jumps to the next line.

	.equ	ram, 0x30		; scratch bytes 30H..3FH
	.equ	flags, 0x20		; bit-addressable byte (bits 00H..07H)

	.org	0x0000
reset:	ljmp	main			; 02

; The interrupt vectors, for the timer and interrupt part at the end.
	.org	0x0003
	ljmp	isrx0
	.org	0x000B
	ljmp	isrt0
	.org	0x0013
	ljmp	isrx1
	.org	0x001B
	ljmp	isrt1
	.org	0x0023
	ljmp	isrser

; The AJMP/ACALL chain: page 0, then pages 1..7, back to page 0.
	.org	0x0050
chain:	acall	sub0			; 11
	ajmp	page1			; 21
sub0:	ret				; 22
chainend:
	ret
	.org	0x0100
page1:	acall	sub1			; 31
	ajmp	page2			; 41
sub1:	ret
	.org	0x0200
page2:	acall	sub2			; 51
	ajmp	page3			; 61
sub2:	ret
	.org	0x0300
page3:	acall	sub3			; 71
	ajmp	page4			; 81
sub3:	ret
	.org	0x0400
page4:	acall	sub4			; 91
	ajmp	page5			; A1
sub4:	ret
	.org	0x0500
page5:	acall	sub5			; B1
	ajmp	page6			; C1
sub5:	ret
	.org	0x0600
page6:	acall	sub6			; D1
	ajmp	page7			; E1
sub6:	ret
	.org	0x0700
page7:	acall	sub7			; F1
	ajmp	chainend		; 01
sub7:	ret

	.org	0x0800
main:	mov	sp, #0x60		; 75
	lcall	chain			; 12
	nop				; 00
	.db	0xA5			; undefined: a no-operation

; Accumulator operations.
	mov	a, #0x81		; 74
	rr	a			; 03
	rrc	a			; 13
	setb	c			; D3
	rrc	a
	rl	a			; 23
	rlc	a			; 33
	clr	c			; C3
	rlc	a
	inc	a			; 04
	dec	a			; 14
	swap	a			; C4
	cpl	a			; F4
	clr	a			; E4
	dec	a

; Additions: carry, auxiliary carry and overflow in and out.
	mov	a, #0x7F
	add	a, #0x01		; 24: OV, AC
	mov	a, #0x80
	add	a, #0x80		; CY, OV
	mov	a, #0xFF
	add	a, #0x01		; CY, AC
	mov	ram, #0x0F
	mov	a, #0x01
	add	a, ram			; 25
	setb	c
	mov	a, #0x7E
	addc	a, #0x01		; 34: OV through the carry
	setb	c
	mov	a, #0xFF
	addc	a, #0x00		; CY, AC through the carry
	addc	a, ram			; 35
	clr	c
	mov	a, #0x80
	subb	a, #0x01		; 94: OV
	mov	a, #0x7F
	subb	a, #0xFF		; CY, OV
	setb	c
	mov	a, #0x10
	subb	a, #0x00		; AC through the borrow
	subb	a, ram			; 95

; DA A after additions.
	mov	a, #0x15
	add	a, #0x27
	da	a			; D4: low digit above 9
	mov	a, #0x19
	add	a, #0x28
	da	a			; AC in
	mov	a, #0x99
	add	a, #0x01
	da	a			; carry out
	mov	a, #0x80
	add	a, #0x90
	da	a			; carry in
	setb	c
	mov	a, #0x99
	addc	a, #0x99
	da	a			; both
	clr	c
	mov	psw, #0x40		; AC alone
	mov	a, #0xFA
	da	a
	mov	psw, #0x00
	mov	a, #0x9A
	da	a

; MUL and DIV.
	mov	a, #0x80
	mov	b, #0x02
	mul	ab			; A4: OV
	mov	a, #0x10
	mov	b, #0x0F
	mul	ab
	mov	a, #0xFB
	mov	b, #0x12
	div	ab			; 84
	mov	a, #0x37
	mov	b, #0x00
	div	ab			; by zero: OV

; Logic on A and on direct bytes.
	mov	a, #0x5C
	orl	a, #0x03		; 44
	orl	a, ram			; 45
	anl	a, #0xF6		; 54
	anl	a, ram			; 55
	xrl	a, #0xAA		; 64
	xrl	a, ram			; 65
	orl	ram, a			; 42
	orl	ram, #0x40		; 43
	anl	ram, a			; 52
	anl	ram, #0x7E		; 53
	xrl	ram, a			; 62
	xrl	ram, #0xFF		; 63
	orl	b, #0x81		; on an SFR
	anl	psw, #0xFE		; PSW written: P follows A again

; Direct moves, increments, exchanges, the stack.
	mov	ram+1, #0xFF		; 75
	inc	ram+1			; 05: wraps
	dec	ram+1			; 15: wraps
	mov	ram+2, ram+1		; 85
	mov	a, ram+2		; E5
	mov	ram+3, a		; F5
	xch	a, ram			; C5
	push	acc			; C0
	push	ram
	pop	b			; D0
	pop	ram+4
	mov	ram+5, #2
djd:	djnz	ram+5, djd		; D5 to zero
	mov	dptr, #0xFFFE		; 90
	inc	dptr			; A3
	inc	dptr			; wraps

; Indirect operations on upper RAM (80H..FFH) and the lower half.
	mov	r0, #0x90
	mov	r1, #0xFF
	mov	@r0, #0x7F		; 76
	mov	@r1, #0xFF		; 77
	inc	@r0			; 06
	inc	@r1			; 07: wraps
	dec	@r0			; 16
	dec	@r1			; 17: wraps
	mov	a, #0x01
	add	a, @r0			; 26: OV
	add	a, @r1			; 27
	addc	a, @r0			; 36
	addc	a, @r1			; 37
	subb	a, @r0			; 96
	subb	a, @r1			; 97
	orl	a, @r0			; 46
	orl	a, @r1			; 47
	anl	a, @r0			; 56
	anl	a, @r1			; 57
	xrl	a, @r0			; 66
	xrl	a, @r1			; 67
	mov	ram+6, @r0		; 86
	mov	ram+7, @r1		; 87
	mov	@r0, ram		; A6
	mov	@r1, ram+2		; A7
	xch	a, @r0			; C6
	xch	a, @r1			; C7
	mov	a, #0xC3
	xchd	a, @r0			; D6
	xchd	a, @r1			; D7
	mov	a, @r0			; E6
	mov	a, @r1			; E7
	mov	@r0, a			; F6
	mov	@r1, a			; F7
	cjne	@r0, #0x00, ci0		; B6: taken
ci0:	mov	a, @r1
	cjne	@r1, #0x00, ci1		; B7
ci1:	mov	@r1, #0x10
	cjne	@r1, #0x10, ci2		; equal: not taken
ci2:

; Compares and conditional jumps, taken and not.
	mov	a, #0x40
	cjne	a, #0x41, cj1		; B4: A smaller, CY
cj1:	cjne	a, #0x40, cj2		; equal
cj2:	mov	ram, #0x20
	cjne	a, ram, cj3		; B5: A larger
cj3:	jz	jz1			; 60 not taken
	clr	a
	jz	jz1			; taken
	nop
jz1:	jnz	jn1			; 70 not taken
	inc	a
	jnz	jn1			; taken
	nop
jn1:	setb	c
	jnc	jc1			; 50 not taken
	jc	jc1			; 40 taken
	nop
jc1:	clr	c
	jc	jc2			; not taken
	jnc	jc2			; taken
	nop
jc2:	sjmp	sj1			; 80
	nop
sj1:

; Bits in RAM and in SFRs.
	mov	flags, #0x00
	setb	0x00			; D2
	setb	0x07
	clr	0x00			; C2
	cpl	0x01			; B2
	cpl	acc.3
	setb	b.7
	clr	psw.5
	cpl	psw.1
	mov	c, 0x07			; A2
	mov	0x02, c			; 92
	mov	psw.5, c
	cpl	c			; B3
	mov	p1.4, c			; a port latch bit
	anl	c, 0x07			; 82
	anl	c, /0x07		; B0
	orl	c, 0x00			; 72
	orl	c, /0x00		; A0
	anl	c, acc.0
	orl	c, /b.7
	jb	0x07, jb1		; 20 taken
	nop
jb1:	jb	0x00, jb2		; not taken
jb2:	jnb	0x00, jb3		; 30 taken
	nop
jb3:	jnb	0x07, jb4		; not taken
jb4:	jbc	0x07, jb5		; 10 taken, clears
	nop
jb5:	jbc	0x07, jb6		; not taken
jb6:	jb	p1.4, jb7		; a port pin (reads high)
jb7:	jbc	p1.4, jb8
jb8:

; Code and external data.
	mov	dptr, #table
	mov	a, #0x02
	movc	a, @a+dptr		; 93
	mov	a, #0x01
	movc	a, @a+pc		; 83
	sjmp	mc1
	.db	0x5A, 0xA5
mc1:	mov	dptr, #jumps
	mov	a, #0x02
	jmp	@a+dptr			; 73
jumps:	sjmp	jmpbad
	sjmp	jmpok
jmpbad:	nop
jmpok:	mov	dptr, #0x1234
	mov	a, #0x5A
	movx	@dptr, a		; F0
	clr	a
	movx	a, @dptr		; E0
	mov	p2, #0x7F
	mov	r0, #0x40
	mov	r1, #0xC1
	movx	@r0, a			; F2
	inc	a
	movx	@r1, a			; F3
	clr	a
	movx	a, @r0			; E2
	movx	a, @r1			; E3

; Register operations in every bank; RETI returns like RET here.
	mov	psw, #0x00
	lcall	regops
	mov	psw, #0x08
	lcall	regops
	mov	psw, #0x10
	lcall	regops
	mov	psw, #0x18
	lcall	regops
	mov	psw, #0x00
	lcall	viareti

; Timers and interrupts; the service routines count in RAM 50H..54H.
	.equ	cnt, 0x50
	mov	cnt, #0
	mov	cnt+1, #0
	mov	cnt+2, #0
	mov	cnt+3, #0
	mov	cnt+4, #0
	mov	tmod, #0x12		; timer 0 mode 2, timer 1 mode 1
	mov	th0, #0xC0		; 64 cycles a round
	mov	tl0, #0xC0
	mov	th1, #0xFF		; 256 cycles
	mov	tl1, #0x00
	mov	ip, #0x08		; timer 1 high: it interrupts timer 0's routine
	mov	ie, #0x8A
	mov	tcon, #0x50
	mov	r2, #0
tw1:	djnz	r2, tw1
	mov	ie, #0x00
	mov	tcon, #0x00
	mov	a, tl0
	mov	b, th1

	mov	tmod, #0x00		; both mode 0: TL's upper bits count along
	mov	th0, #0xFF
	mov	tl0, #0x3C
	mov	th1, #0xFE
	mov	tl1, #0xE0
	mov	tcon, #0x50
	nop
	nop
	nop
	nop
	mov	a, tl0
	mov	b, th0
	mov	r5, tcon
	mov	tcon, #0x00
	mov	tmod, #0x03		; timer 0 mode 3: TH0 runs under TR1
	mov	tl0, #0xFC
	mov	th0, #0xFE
	mov	tcon, #0x50
	nop
	nop
	mov	a, tl0
	mov	b, th0
	mov	r5, tcon
	mov	a, tl1			; timer 1 runs on without TF1
	mov	tcon, #0x00
	mov	tmod, #0x30		; timer 1 mode 3 stands
	mov	tl1, #0x05
	setb	tr1
	nop
	mov	a, tl1
	clr	tr1

	mov	tmod, #0x05		; timer 0 counts T0 edges
	mov	tl0, #0x00
	mov	th0, #0x00
	setb	tr0
	cpl	p3.4			; falls
	cpl	p3.4
	cpl	p3.4			; falls
	cpl	p3.4
	mov	a, tl0
	clr	tr0
	mov	tmod, #0x09		; GATE: timer 0 runs while INT0 is high
	mov	tl0, #0x00
	mov	tcon, #0x01		; INT0 edge-triggered, no interrupt enabled
	setb	tr0
	clr	p3.2
	nop
	nop
	setb	p3.2
	nop
	nop
	mov	a, tl0
	mov	r5, tcon
	mov	tcon, #0x00

	mov	tcon, #0x05		; INT0 and INT1 edge-triggered
	mov	ie, #0x85
	clr	p3.2			; IE0
	nop
	setb	p3.2
	clr	p3.3			; IE1
	nop
	setb	p3.3
	mov	tcon, #0x00		; level: INT1's routine raises the pin
	clr	p3.3
	nop
	nop
	mov	ie, #0x00
	mov	tcon, #0x23		; IE0 and TF0 at once: IE0 first
	mov	ie, #0x83
	nop
	nop
	nop
	mov	ie, #0x90		; the serial flags
	setb	ti
	nop
	setb	ri
	nop
	mov	ie, #0x00
	mov	ip, #0x00

done:	sjmp	done

isrt0:	inc	cnt
	push	acc
	mov	acc, #12
isrdl:	djnz	acc, isrdl
	pop	acc
	reti
isrt1:	inc	cnt+1
	mov	th1, #0xFF
	reti
isrx0:	inc	cnt+2
	reti
isrx1:	inc	cnt+3
	setb	p3.3
	reti
isrser:	inc	cnt+4
	clr	ti
	clr	ri
	reti

viareti:
	reti				; 32

table:	.db	0x11, 0x22, 0x33, 0x44

; Every Rn form for R0..R7 of the bank PSW selects.
regops:
	mov	r0, #0x7D
	inc	r0
	add	a, r0
	addc	a, r0
	subb	a, r0
	orl	a, r0
	anl	a, r0
	xrl	a, r0
	mov	0x40, r0
	dec	r0
	mov	r0, 0x48
	cjne	r0, #0x40, rg1
rg1:
	xch	a, r0
	mov	a, r0
	mov	r0, a
	mov	r0, #3
rg2:
	djnz	r0, rg2
	mov	r1, #0x8E
	inc	r1
	add	a, r1
	addc	a, r1
	subb	a, r1
	orl	a, r1
	anl	a, r1
	xrl	a, r1
	mov	0x41, r1
	dec	r1
	mov	r1, 0x47
	cjne	r1, #0x40, rg3
rg3:
	xch	a, r1
	mov	a, r1
	mov	r1, a
	mov	r1, #3
rg4:
	djnz	r1, rg4
	mov	r2, #0x9F
	inc	r2
	add	a, r2
	addc	a, r2
	subb	a, r2
	orl	a, r2
	anl	a, r2
	xrl	a, r2
	mov	0x42, r2
	dec	r2
	mov	r2, 0x46
	cjne	r2, #0x40, rg5
rg5:
	xch	a, r2
	mov	a, r2
	mov	r2, a
	mov	r2, #3
rg6:
	djnz	r2, rg6
	mov	r3, #0xB0
	inc	r3
	add	a, r3
	addc	a, r3
	subb	a, r3
	orl	a, r3
	anl	a, r3
	xrl	a, r3
	mov	0x43, r3
	dec	r3
	mov	r3, 0x45
	cjne	r3, #0x40, rg7
rg7:
	xch	a, r3
	mov	a, r3
	mov	r3, a
	mov	r3, #3
rg8:
	djnz	r3, rg8
	mov	r4, #0xC1
	inc	r4
	add	a, r4
	addc	a, r4
	subb	a, r4
	orl	a, r4
	anl	a, r4
	xrl	a, r4
	mov	0x44, r4
	dec	r4
	mov	r4, 0x44
	cjne	r4, #0x40, rg9
rg9:
	xch	a, r4
	mov	a, r4
	mov	r4, a
	mov	r4, #3
rg10:
	djnz	r4, rg10
	mov	r5, #0xD2
	inc	r5
	add	a, r5
	addc	a, r5
	subb	a, r5
	orl	a, r5
	anl	a, r5
	xrl	a, r5
	mov	0x45, r5
	dec	r5
	mov	r5, 0x43
	cjne	r5, #0x40, rg11
rg11:
	xch	a, r5
	mov	a, r5
	mov	r5, a
	mov	r5, #3
rg12:
	djnz	r5, rg12
	mov	r6, #0xE3
	inc	r6
	add	a, r6
	addc	a, r6
	subb	a, r6
	orl	a, r6
	anl	a, r6
	xrl	a, r6
	mov	0x46, r6
	dec	r6
	mov	r6, 0x42
	cjne	r6, #0x40, rg13
rg13:
	xch	a, r6
	mov	a, r6
	mov	r6, a
	mov	r6, #3
rg14:
	djnz	r6, rg14
	mov	r7, #0xF4
	inc	r7
	add	a, r7
	addc	a, r7
	subb	a, r7
	orl	a, r7
	anl	a, r7
	xrl	a, r7
	mov	0x47, r7
	dec	r7
	mov	r7, 0x41
	cjne	r7, #0x40, rg15
rg15:
	xch	a, r7
	mov	a, r7
	mov	r7, a
	mov	r7, #3
rg16:
	djnz	r7, rg16
	ret
