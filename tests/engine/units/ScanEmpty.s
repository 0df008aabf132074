# Quorva run-time. Licensed under the MIT licence.
# A cyclic unit whose main entry returns at once (the scheduler benchmark's load).
@period 10
@main scan

.intel_syntax noprefix
.text
scan:
    ret
