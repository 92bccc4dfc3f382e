// A GBK catalog over real HTTP: a loopback server, the libcurl network
// binding and the simulated window system.
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <string>
#include <thread>

#include "catalog/catalog_test_support.h"
#include "host/curl/curl_network.h"

namespace {

using catalog_test::Body;
using catalog_test::Rows;
using catalog_test::Shown;

class LoopbackServer {
 public:
  LoopbackServer() {
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~LoopbackServer() {
    server_.stop();
    thread_.join();
  }
  // Serves `body` with `status` at `path`.
  void Serve(const std::string& path, int status, const std::string& body) {
    server_.Get(path, [status, body](const httplib::Request&, httplib::Response& res) {
      res.status = status;
      res.set_content(body, "text/plain");
    });
  }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
};

TEST(CatalogOverHttpTest, TreeLoadsGbkCatalogsAndErrorPagesThroughTheNetworkBinding) {
  LoopbackServer server;
  // 亅 (GBK 81 7C) carries a "|" byte inside the name.
  const std::string catalog =
      Body({"Kovrin核心JAR包|1024|2013-05-01|谢谢支持", "亅字库|7||", "界面扩展||2013-06-01|好"});
  const std::string errorPage = "<html>\r\n<body>404 Not Found</body>\r\n</html>\r\n";
  server.Serve("/jar/123.txt", 200, catalog);
  server.Serve("/kovkaoti/123.txt", 404, errorPage);

  catalog_test::MainWindowHarness<host::sim::SimHost, host::curl::CurlNetwork> h(server.Base());
  for (int i = 0; i < 4; ++i) h.sim.ScriptAnswer(host::kMsgOk);

  h.OpenTreeItem(3);
  EXPECT_EQ(h.CatalogRows(), (Rows{{"Kovrin核心JAR包", "1024KB", "2013-05-01", "谢谢支持"},
                                   {"亅字库", "7KB", "", ""},
                                   {"界面扩展", "KB", "2013-06-01", "好"}}));
  h.sim.DoubleClickRow(mw::kWindow, mw::kCatalogList, 0);
  EXPECT_EQ(h.DownloadRows(), (Rows{{"Kovrin核心JAR包", "1024KB", "", "未完成", "jar"}}));

  // An error reply's body is read as a catalog.
  h.OpenTreeItem(11);
  EXPECT_EQ(h.CatalogRows(), Shown(errorPage));

  // Nothing served there: the server's own error body, whatever it is, or
  // nothing; the program goes on either way.
  h.OpenTreeItem(5);
  EXPECT_LE(h.CatalogRows().size(), 1u);
  h.OpenTreeItem(3);
  EXPECT_EQ(h.CatalogRows(), Shown(catalog));
}

TEST(CatalogOverHttpTest, RefusedConnectionLeavesTheListEmpty) {
  // Nothing listens on port 1 of the loopback address.
  catalog_test::MainWindowHarness<host::sim::SimHost, host::curl::CurlNetwork> h(
      "http://127.0.0.1:1/");
  h.OpenTreeItem(13);
  EXPECT_TRUE(h.CatalogRows().empty());
  EXPECT_EQ(h.sim.Control(mw::kWindow, mw::kToolbar).checkedButton, 2);
  EXPECT_TRUE(h.sim.MessageBoxes().empty());
}

}  // namespace
