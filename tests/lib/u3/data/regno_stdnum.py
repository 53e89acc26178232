#!/usr/bin/python3
"""Prints registration numbers with python-stdnum's verdict on each, one
"kind<TAB>text<TAB>0|1" a line, for the registration-number check tests.

Half of the numbers carry the check digits stdnum computes, half random ones.
The kinds are the client's: 0 Luhn with ".", 6 and 7 fixed-length Luhn, 2
ISBN-10 with ".", 4 Spanish DNI with "-", 8 CPF and 9 CNPJ as bare digits.
Lines starting with "diff" are numbers on which the two are known to differ.
"""
import random
import sys

from stdnum import isbn, luhn
from stdnum.br import cnpj, cpf
from stdnum.es import dni

seed = int(sys.argv[1]) if len(sys.argv) > 1 else 1
count = int(sys.argv[2]) if len(sys.argv) > 2 else 300
rnd = random.Random(seed)


def digits(n):
    return ''.join(rnd.choice('0123456789') for _ in range(n))


def out(kind, text, valid, tag=''):
    print('%s%d\t%s\t%d' % (tag, kind, text, 1 if valid else 0))


for i in range(count):
    good = i % 2 == 0
    # Luhn: any payload length, and the two fixed-length kinds.
    for kind, length in ((0, rnd.randint(1, 15)), (6, 8), (7, 7)):
        payload = digits(length)
        check = luhn.calc_check_digit(payload) if good else rnd.choice('0123456789')
        sep = '-' if kind == 7 else '.'
        out(kind, payload + sep + check, luhn.is_valid(payload + check))
    payload = digits(9)
    check = isbn._calc_isbn10_check_digit(payload) if good else rnd.choice('0123456789X')
    out(2, payload + '.' + check, isbn.is_valid(payload + check))
    payload = digits(8)
    check = dni.calc_check_digit(payload) if good else rnd.choice('ABCDEFGHIJKLMNOPQRSTUVWXYZ')
    out(4, payload + '-' + check, dni.is_valid(payload + check))
    payload = digits(9)
    check = cpf._calc_check_digits(payload) if good else digits(2)
    out(8, payload + check, cpf.is_valid(payload + check))
    payload = digits(12)
    check = cnpj.calc_check_digits(payload) if good else digits(2)
    out(9, payload + check, cnpj.is_valid(payload + check))

# 1. A CPF of one repeated digit has valid check digits, and stdnum takes it
#    (all but 00000000000); the client refuses every such number.
for d in '123456789':
    out(8, d * 11, cpf.is_valid(d * 11), 'diff')
# 2. The CNPJ of zeros has valid check digits; stdnum refuses it as no number,
#    the client takes it.
out(9, '0' * 14, cnpj.is_valid('0' * 14), 'diff')
# 3. stdnum upper-cases before it checks; the client's check letters are
#    case-sensitive (the edit raises typed letters itself).
for payload in ('31415926', '12345678', '00000000'):
    letter = dni.calc_check_digit(payload).lower()
    out(4, payload + '-' + letter, dni.is_valid(payload + letter), 'diff')
out(2, '080442957.x', isbn.is_valid('080442957x'), 'diff')
