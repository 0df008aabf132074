# Quorva run-time. Licensed under the MIT licence.
# A library unit that carries a file.
@noncyclic
@attach file TEXT 'attached.txt' as 'Read Me.txt'
