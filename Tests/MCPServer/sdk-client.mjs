// Connects the official MCP SDK client to vesperline-mcp over stdio: once on a data folder where
// assistants are not allowed and once where they are. Prints what it saw as one JSON object.
import { Client } from "@modelcontextprotocol/sdk/client/index.js";
import { StdioClientTransport } from "@modelcontextprotocol/sdk/client/stdio.js";

const [server, offFolder, onFolder] = process.argv.slice(2);

async function session(dataFolder, toolCall) {
  const transport = new StdioClientTransport({
    command: server,
    env: { ...process.env, OSTREL_DATA_DIR: dataFolder },
    stderr: "pipe",
  });
  let stderr = "";
  transport.stderr.on("data", (chunk) => (stderr += chunk));
  const client = new Client({ name: "vesperline-test", version: "1.0.0" });
  await client.connect(transport);
  const tools = await client.listTools();
  const result = await client.callTool(toolCall);
  await client.close();
  return {
    server: client.getServerVersion(),
    tools: tools.tools.map((tool) => tool.name),
    result,
    stderr,
  };
}

const call = { name: "search_screen_memory", arguments: { query: "pelican", days: 0 } };
const timer = setTimeout(() => {
  console.error("timed out");
  process.exit(2);
}, 30000);
const off = await session(offFolder, call);
const on = await session(onFolder, call);
clearTimeout(timer);
console.log(JSON.stringify({ off, on }));
