; asmforms.asm - every instruction form that touches port P0 or P2, for
; as31.  Compilers emit only a few of these; hand-written code and old
; libraries use the rest.  The program is input for the checkers and the
; loaders (Intel HEX only: no symbols, no line numbers), not meant to do
; anything useful on a board.  Sequences that need "$" are spelt as
; bytes because as31 has no location counter operand.

	.equ	scratch, 0x30		; a byte of internal RAM
	.equ	flags, 0x20		; bit-addressable byte

	.org	0x0000
reset:	ljmp	main

	.org	0x000B			; timer 0 interrupt
	cpl	p2.7
	reti

	.org	0x0040
main:	mov	sp, #0x60
loop:	acall	bytewrites
	acall	bytereads
	acall	readmodifywrite
	acall	bitforms
	acall	carryforms
	acall	sequences
	acall	registerforms
	acall	stackforms
	lcall	hookcalls
	lcall	farcode
	sjmp	loop

; Whole-byte writes.
bytewrites:
	mov	p0, #0x12		; MOV P0,#imm
	mov	p2, #0xFF		; MOV P2,#imm
	mov	a, #0x5A
	mov	p2, a			; MOV P2,A
	mov	p0, a			; MOV P0,A
	mov	p0, scratch		; MOV P0,direct
	mov	p2, p0			; MOV P2,P0 (direct to direct)
	mov	p0, r5			; MOV P0,Rn
	mov	r0, #scratch
	mov	p2, @r0			; MOV P2,@R0
	mov	r1, #scratch
	mov	p0, @r1			; MOV P0,@R1
	ret

; Whole-byte reads.
bytereads:
	mov	a, p0			; MOV A,P0
	mov	a, p2			; MOV A,P2
	mov	scratch, p2		; MOV direct,P2
	mov	scratch, p0		; MOV direct,P0
	add	a, p0			; ADD A,P0
	addc	a, p2			; ADDC A,P2
	subb	a, p0			; SUBB A,P0
	orl	a, p2			; ORL A,P2
	anl	a, p0			; ANL A,P0
	xrl	a, p2			; XRL A,P2
	mov	r0, #scratch
	mov	@r0, p0			; MOV @R0,P0
	mov	r1, #scratch
	mov	@r1, p2			; MOV @R1,P2
	xch	a, p2			; XCH A,P2
rdcmp:	cjne	a, p0, rdcmp2		; CJNE A,P0,rel
rdcmp2:	cjne	a, p2, rddone		; CJNE A,P2,rel
rddone:	ret

; Read-modify-write of the whole port.
readmodifywrite:
	orl	p2, #0x10		; ORL P2,#imm
	anl	p0, #0xFE		; ANL P0,#imm
	xrl	p0, #0x55		; XRL P0,#imm
	anl	p2, #0xF0
	orl	p0, a			; ORL P0,A
	anl	p2, a			; ANL P2,A
	xrl	p0, a			; XRL P0,A
	inc	p0			; INC P0
	dec	p2			; DEC P2
	inc	p2
	dec	p0
	mov	r2, #3
rmwlp:	djnz	p2, rmwlp		; DJNZ P2,rel
	djnz	p0, rmwlp2		; DJNZ P0,rel
rmwlp2:	ret

; Single bits.
bitforms:
	setb	p0.0			; SETB P0.x
	setb	p2.7			; SETB P2.x
	clr	p0.3			; CLR P0.x
	clr	p2.5			; CLR P2.x
	cpl	p0.6			; CPL P0.x
	cpl	p2.1			; CPL P2.x
bitjb:	jb	p2.3, bitjb		; JB P2.x,rel
	jnb	p2.4, bitjnb		; JNB P2.x,rel
bitjnb:	jnb	p0.0, bitjbc		; JNB P0.x,rel
bitjbc:	jbc	p2.2, bitend		; JBC P2.x,rel
	jbc	p0.7, bitend		; JBC P0.x,rel
	jb	p0.1, bitend		; JB P0.x,rel
bitend:	ret

; Bits through the carry.
carryforms:
	mov	c, p0.4			; MOV C,P0.x
	mov	c, p2.6			; MOV C,P2.x
	anl	c, p0.2			; ANL C,P0.x
	anl	c, /p2.2		; ANL C,/P2.x
	orl	c, p2.3			; ORL C,P2.x
	orl	c, /p0.5		; ORL C,/P0.x
	mov	p2.5, c			; MOV P2.x,C alone: nothing after it
	mov	flags, a
	mov	p0.1, c			; MOV P0.x,C; CLR A
	clr	a
	mov	p2.0, c			; MOV P2.x,C; NOP
	nop
	mov	p0.2, c			; MOV P0.x,C; SJMP $+2
	.db	0x80, 0x00
	mov	p2.3, c			; MOV P2.x,C; NOP; NOP
	nop
	nop
	mov	p0.4, c			; MOV P0.x,C; SJMP $+2; NOP
	.db	0x80, 0x00
	nop
	mov	p2.6, c			; MOV P2.x,C; three NOP
	nop
	nop
	nop
	ret

; The short sequences that stand for one port write.
sequences:
	mov	a, #0x3C		; MOV A,#d; MOV P0,A
	mov	p0, a
	mov	a, #0xC3		; MOV A,#d; MOV P2,A
	mov	p2, a
	clr	a			; CLR A; MOV P0,A
	mov	p0, a
	clr	a			; CLR A; MOV P2,A
	mov	p2, a
	mov	r3, #0x5A		; MOV Rr,#d; MOV P2,Rr
	mov	p2, r3
	mov	r6, #0x81		; MOV Rr,#d; MOV P0,Rr
	mov	p0, r6
	mov	p0, r7			; MOV P0,R7; MOV A,R7
	mov	a, r7
	mov	r7, a			; MOV R7,A; MOV P2,R7
	mov	p2, r7
	.db	0x80, 0x00		; SJMP $+2; MOV P0,R7
	mov	p0, r7
	mov	p2, r7			; MOV P2,R7; SJMP $-1 (offset 0FFH)
	.db	0x80, 0xFF
	.db	0x80, 0x00		; SJMP $+2; MOV P2,A
	mov	p2, a
	mov	p0, acc			; MOV P0,ACC; SJMP $+2
	.db	0x80, 0x00
	ret

; Register forms.
registerforms:
	mov	r0, p0			; MOV Rr,P0
	mov	r3, p0
	mov	r7, p2			; MOV Rr,P2
	mov	p2, r1			; MOV P2,Rr
	mov	p0, r4
	ret

; The stack and exchanges.
stackforms:
	push	p0			; PUSH P0
	push	p2
	pop	p2			; POP P2
	pop	p0
	xch	a, p0			; XCH A,P0
	ret

; Calls of the port routines in the hook entry area.  With no symbols
; in a HEX file the old entries apply; the new ones are here too.
hookcalls:
	mov	r7, #0x12
	lcall	0xFFF8			; WriteP0 (old)
	lcall	0xFFF9			; ReadP0 (old)
	lcall	0xFFFA			; WriteP2 (old)
	nop
	lcall	0xFFFB			; ReadP2 (old)
	lcall	0xFFF4			; WriteP0RegBank (old)
	lcall	0xFFF5			; ReadP0RegBank (old)
	lcall	0xFFF6			; WriteP2RegBank (old)
	lcall	0xFFF7			; ReadP2RegBank (old)
	lcall	0xFFB8			; WriteP0 (new)
	lcall	0xFFB9			; ReadP0 (new)
	lcall	0xFFA3			; clear P0.3 (new)
	lcall	0xFFAD			; set P0.5 (new)
	lcall	0xFFB2			; P0.2 into C (new)
	lcall	0xFFC1			; clear P2.1 (new)
	lcall	0xFFCE			; set P2.6 (new)
	lcall	0xFFD7			; P2.7 into C (new)
	lcall	0xFFD8			; WriteP2 (new)
	lcall	0xFFD9			; ReadP2 (new)
	ret

; A second block of code away from the first.
	.org	0x0800
farcode:
	mov	p0, #0x00
	mov	a, p2
	cjne	a, #0x10, fardone
	ljmp	0xFFF8			; a jump, not a call, into the entry area
fardone:
	ret

; The old hook entry area: one byte per entry, answered by the board.
	.org	0xFFF4
	ret				; WriteP0RegBank
	ret				; ReadP0RegBank
	ret				; WriteP2RegBank
	ret				; ReadP2RegBank
	ret				; WriteP0
	ret				; ReadP0
	ret				; WriteP2
	ret				; ReadP2
	.end
