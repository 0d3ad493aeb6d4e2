#!/bin/sh
# Every command against bad input: a missing file, a directory, an empty file, a binary file, a
# truncated or damaged network, syntax errors, a full disk as standard output. Each row gives the
# arguments, the exit status and a pattern standard error must match (none: it stays empty); a
# command that fails leaves no file behind where -o pointed (saved.fst), not even a partial or
# temporary one.
set -eu
cd "$TMPDIR"
"$KORA" words -o good.fst "$EXAMPLES/fruits.txt" > /dev/null
mkdir dir
: > empty
LC_ALL=C awk 'BEGIN { srand(25); for (i = 0; i < 4096; i++) printf "%c", int(rand() * 256) }' > random
head -c 100 good.fst > cut.fst
# The byte before the last, inverted: the loader finds that the network's size does not match.
size=$(wc -c < good.fst)
byte=$(tail -c 2 good.fst | head -c 1 | od -An -tu1)
{ head -c $((size - 2)) good.fst; printf "\\$(printf %o $((255 - byte)))"; tail -c 1 good.fst; } \
  > flipped.fst
printf 'a;\nb |;\n' > bad.re
printf 'LEXICON Root\ncat : : ;\n' > bad.vorn
printf 'LEXICON Root\ncat Nx ;\n' > undefined.vorn
printf 'LEXICON Root\ncat "x ;\n' > quote.vorn
printf 'apple\n\377pear\n' > badline.txt
printf 'a\0\0\0b\n' > nuls

failures=0
while read -r line; do
  case "$line" in '#'* | '') continue ;; esac
  pattern=${line##*|} rest=${line%|*}
  pattern=${pattern# }
  status=$((${rest##*|})) arguments=${rest%|*}
  rm -f saved.fst*
  actual=0
  eval "\"\$KORA\" $arguments" > out 2> err < /dev/null || actual=$?
  if [ "$actual" -ne "$status" ] || { [ -n "$pattern" ] && ! grep -q -- "$pattern" err; } ||
     { [ -z "$pattern" ] && [ -s err ]; } ||
     { [ "$status" -ne 0 ] && ls saved.fst* > /dev/null 2>&1; }; then
    echo "kora $arguments: status $actual (expected $status), standard error:"; cat err
    ls saved.fst* 2> /dev/null || true
    failures=$((failures + 1))
  fi
done <<'TABLE'
# arguments                        | status | standard error
words -o saved.fst missing         | 1 | cannot read 'missing': No such file or directory
words --spaced dir                 | 1 | cannot read 'dir': Is a directory
words empty                        | 0 |
words -o saved.fst /bin/sh         | 1 | '/bin/sh' appears not to be a text file
words -o saved.fst random          | 1 | 'random', line 1: invalid UTF-8; the word is left out
words -o saved.fst badline.txt     | 1 | 'badline.txt', line 2: invalid UTF-8; the word is left out
words -o nodir/saved.fst empty     | 1 | cannot write the network to 'nodir/saved.fst': No such file
words --spaced -o saved.fst nuls   | 1 | 'nuls' appears not to be a text file
lexicon -o saved.fst missing       | 1 | cannot read 'missing'
lexicon dir                        | 1 | cannot read 'dir': Is a directory
lexicon -o saved.fst empty         | 1 | empty:1: syntax error
lexicon -o saved.fst /bin/sh       | 1 | '/bin/sh' appears not to be a text file
lexicon -o saved.fst random        | 1 | random:1: syntax error
lexicon -o saved.fst bad.vorn      | 1 | bad.vorn:2: syntax error at ':'
lexicon -o saved.fst undefined.vorn | 1 | undefined.vorn:2: warning: Sublexicon is mentioned but not defined. (Nx)
lexicon -o saved.fst quote.vorn    | 1 | quote.vorn:2: info string without its closing quote
text missing                       | 1 | cannot read 'missing'
text --words dir                   | 1 | cannot read 'dir': Is a directory
text empty                         | 1 | kora: empty is not a kora network file$
text /bin/sh                       | 1 | kora: /bin/sh is not a kora network file$
text random                        | 1 | random is not a kora network file
text cut.fst                       | 1 | Unexpected end-of-file
text flipped.fst                   | 1 | Byte count mismatch
print dir                          | 1 | cannot read 'dir': Is a directory
print cut.fst                      | 1 | cannot read a network from 'cut.fst'
print flipped.fst                  | 1 | cannot read a network from 'flipped.fst'
info missing                       | 1 | cannot read 'missing'
info dir                           | 1 | cannot read 'dir': Is a directory
info empty                         | 1 | Unknown file type
info /bin/sh                       | 1 | Unknown file type
info cut.fst                       | 1 | Unexpected end-of-file
info flipped.fst                   | 1 | Byte count mismatch
lookup missing                     | 1 | cannot read 'missing'
lookup dir                         | 1 | cannot read 'dir': Is a directory
lookup random                      | 1 | random is not a kora network file
lookup "$EXAMPLES/fruits.txt"       | 1 | fruits.txt is not a kora network file (for a word list, give --words)
lookup cut.fst                     | 1 | cannot read a network from 'cut.fst'
lookup good.fst missing            | 1 | cannot read 'missing'
lookup good.fst dir                | 1 | cannot read 'dir': Is a directory
lookup good.fst empty              | 0 |
lookup -j 1 good.fst /bin/sh       | 1 | Cannot parse a symbol starting with
lookup -j 2 good.fst random        | 1 | Cannot parse a symbol starting with
generate flipped.fst               | 1 | cannot read a network from 'flipped.fst'
generate --spaced empty            | 0 |
regex -o saved.fst -f missing      | 1 | cannot read 'missing'
regex -f dir                       | 1 | cannot read 'dir': Is a directory
regex -o saved.fst -f empty        | 1 | 'empty' holds no regular expression
regex -o saved.fst -f /bin/sh      | 1 | could not be compiled
regex -o saved.fst -f random       | 1 | could not be compiled
regex -o saved.fst -f cut.fst      | 1 | probably in a binary format
regex -o saved.fst -f bad.re       | 1 | Regex error at ; on line 2 in 'bad.re'
regex -o saved.fst 'a | | b'       | 1 | syntax error
regex -o saved.fst '\a:b'          | 1 | complement operator
regex -o saved.fst 'a .o. @"x.fst"' | 1 | Failed to load the nets from the binary file 'x.fst'
draw -o saved.fst missing          | 1 | cannot read 'missing'
draw dir                           | 1 | cannot read 'dir': Is a directory
draw -o saved.fst cut.fst          | 1 | cannot read a network from 'cut.fst'
draw --max-states 3 -o saved.fst good.fst | 1 | more than the 3 allowed
draw                               | 2 | usage
optimize good.fst                  | 2 | usage
optimize -o saved.fst              | 2 | usage
optimize -o saved.fst missing      | 1 | cannot read 'missing'
suggest good.fst missing           | 1 | cannot read 'missing'
suggest --errors missing good.fst  | 1 | cannot read 'missing'
# Past the memory limit, or with a malformed one.
regex -o saved.fst --memory-limit 4M '[a|b]* a [a|b]^18' | 1 | Memory limit exceeded: READ_REGEX (limit 4194304 bytes)
words --memory-limit=1K "$EXAMPLES/fruits.txt" | 1 | Memory limit exceeded
text --memory-limit 12X good.fst   | 2 | option --memory-limit takes a number of bytes
lookup -j x good.fst               | 2 | option -j takes a number from 1 to 1024, not 'x'
lookup good.fst -j                 | 2 | option -j needs a value
draw --max-states -3 good.fst      | 2 | option --max-states takes a number of at least 0, not '-3'
draw --max-states x good.fst       | 2 | option --max-states takes a number
suggest --max-edits 101 good.fst   | 2 | option --max-edits
suggest --limit -1 good.fst        | 2 | option --limit
# A full disk as standard output.
version > /dev/full                | 1 | cannot write to standard output: No space left on device
words --print "$EXAMPLES/fruits.txt" > /dev/full | 1 | cannot write to standard output
lexicon "$EXAMPLES/animals.vorn" > /dev/full | 1 | cannot write to standard output
text good.fst > /dev/full          | 1 | cannot write to standard output
print good.fst > /dev/full         | 1 | cannot write to standard output
info good.fst > /dev/full          | 1 | cannot write to standard output
lookup -j 1 good.fst "$EXAMPLES/fruits.txt" > /dev/full | 1 | cannot write to standard output
generate -j 2 good.fst "$EXAMPLES/fruits.txt" > /dev/full | 1 | cannot write to standard output
regex 'a b' > /dev/full            | 1 | cannot write to standard output
draw good.fst > /dev/full          | 1 | cannot write to standard output
regex --help > /dev/full           | 1 | cannot write to standard output
TABLE
[ "$failures" -eq 0 ]

"$KORA" text --help | grep -q -- '--memory-limit SIZE'

# The unterminated quote is reported, never echoed on standard output.
"$KORA" lexicon quote.vorn 2> /dev/null > out || true
[ ! -s out ]
