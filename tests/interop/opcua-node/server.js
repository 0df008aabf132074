// Quorva run-time. Licensed under the MIT licence.
// A second, independent OPC UA server for the client's interoperability test. It serves a few
// variables (Double, Int32, Boolean, String and a Counter incremented every 100 ms) in its own
// namespace under Objects/Interop, prints "namespace <index>" and then "ready <port>" once it
// listens, and "write <nodeid> = <value>" for every value a client writes.
// Usage: node server.js [port] [--refuse-subscriptions]
//   port 0 or none: a free port; --refuse-subscriptions: every CreateSubscription is refused
//   (BadTooManySubscriptions), for the client's "Unable to add" path.
"use strict";

const { OPCUAServer } = require("node-opcua-server");
const { StatusCodes } = require("node-opcua-status-code");
const { Variant, DataType } = require("node-opcua-variant");

async function main() {
    const args = process.argv.slice(2);
    const port = Number(args.find((arg) => /^\d+$/.test(arg)) || 0);
    const refuseSubscriptions = args.includes("--refuse-subscriptions");
    const server = new OPCUAServer({
        port: port || 0,
        resourcePath: "/interop",
        buildInfo: { productName: "QuorvaInterop", buildNumber: "1" },
        // Anonymous only, no security: the test checks the exchange, not the channel.
        allowAnonymous: true,
        maxConnectionsPerEndpoint: 10,
    });
    await server.initialize();
    if (refuseSubscriptions) {
        server.engine.serverCapabilities.maxSubscriptionsPerSession = 0;
    }

    const addressSpace = server.engine.addressSpace;
    const namespace = addressSpace.registerNamespace("urn:quorva:interop");
    const folder = namespace.addFolder(addressSpace.rootFolder.objects, { browseName: "Interop" });

    const values = {
        Double: { dataType: DataType.Double, value: 21.5 },
        Int32: { dataType: DataType.Int32, value: -42 },
        Boolean: { dataType: DataType.Boolean, value: true },
        String: { dataType: DataType.String, value: "héllo" },
        Counter: { dataType: DataType.Int32, value: 0 },
    };
    for (const [name, initial] of Object.entries(values)) {
        namespace.addVariable({
            componentOf: folder,
            browseName: name,
            nodeId: `s=Interop.${name}`,
            dataType: dataTypeName(initial.dataType),
            minimumSamplingInterval: 10,
            value: {
                get: () => new Variant({ dataType: initial.dataType, value: initial.value }),
                set: (variant) => {
                    initial.value = variant.value;
                    process.stdout.write(`write ns=${namespace.index};s=Interop.${name} = ${variant.value}\n`);
                    return StatusCodes.Good;
                },
            },
        });
    }
    setInterval(() => { values.Counter.value += 1; }, 100);

    await server.start();
    const endpointPort = server.endpoints[0].port;
    process.stdout.write(`namespace ${namespace.index}\n`);
    process.stdout.write(`ready ${endpointPort}\n`);

    const stop = async () => {
        await server.shutdown(0);
        process.exit(0);
    };
    process.on("SIGINT", stop);
    process.on("SIGTERM", stop);
}

function dataTypeName(dataType) {
    return DataType[dataType];
}

main().catch((error) => {
    process.stderr.write(`server failed: ${error && error.stack ? error.stack : error}\n`);
    process.exit(1);
});
