# Quorva run-time. Licensed under the MIT licence.
# The OPC tank's global variables.
@noncyclic
# the tank's level, from the server's Plant/Tank/Level (a subscription)
@var LEVEL : Real export
# the pump command last written to the server's Plant/Tank/PumpCommand
@var PUMP : Boolean export
# the text of the last OPCCLIENTCONNECT
@var OPCSTAT : String export
# set once the level is subscribed
@var SUBSCR : Boolean export
